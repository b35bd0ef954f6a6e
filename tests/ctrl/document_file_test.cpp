#include "ctrl/document_file.hpp"

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <string>

#include <glib.h>
#include <gtest/gtest.h>

#include "ctrl_fixture.hpp"
#include "model/recovery_store.hpp"
#include "model/workspace_test_util.hpp"

namespace {

using Ctrl::DocumentFile;
using lattrix_test::read_file;
using lattrix_test::to_xml;
using lattrix_test::write_file;

class DocumentFileTest : public ::testing::Test, public CtrlFixture {
  protected:
    DocumentFile& doc() { return ctx->get_document(); }
    std::string folder() const { return dir.file("state"); }

    void start_recovery() {
        doc().set_copy_delays(30, 150);
        doc().start_recovery(std::make_unique<Model::RecoveryStore>(folder()));
        own = doc().get_recovery_store()->get_own_file();
    }
    // Runs the main loop until done() or two seconds passed.
    static bool wait_for(const std::function<bool()>& done) {
        const gint64 deadline = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
        while (!done() && g_get_monotonic_time() < deadline) {
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(1000);
        }
        return done();
    }
    static void run_for(int ms) {
        const gint64 until = g_get_monotonic_time() + ms * 1000;
        wait_for([until] { return g_get_monotonic_time() >= until; });
    }
    static bool exists(const std::string& path) {
        return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
    }
    // The document a copy holds.
    static std::string copy_document(const std::string& file) {
        Model::Workspace back;
        return back.load(file) ? to_xml(back) : std::string("(unreadable)");
    }
    // A copy for path, newer than the file, left by an editor that ended
    // without cleaning up.
    // Answers the document it holds.
    std::string leave_orphan(const std::string& path, const CellPos& klass) {
        Model::Workspace other;
        EXPECT_TRUE(other.add_class(klass));
        Model::RecoveryStore crashed(folder());
        EXPECT_TRUE(crashed.write_own(
            Model::RecoveryStore::encode(other, path, g_get_real_time() + G_USEC_PER_SEC)));
        return to_xml(other);
    }

    lattrix_test::TempDir dir;
    std::string own;
};

TEST_F(DocumentFileTest, CopiesFollowUnsavedChangesUntilSavedOrForgotten) {
    start_recovery();
    EXPECT_FALSE(exists(own));
    ASSERT_TRUE(key('c'));
    ASSERT_TRUE(wait_for([&] { return exists(own); }));
    EXPECT_EQ(copy_document(own), to_xml(*ws));
    const std::string first = copy_document(own);

    // Changes that never pause for the short delay still reach the copy
    // within the longest one.
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(key('l'));
        ASSERT_TRUE(key('c'));
        run_for(10);
    }
    EXPECT_NE(copy_document(own), first);
    ASSERT_TRUE(wait_for([&] { return copy_document(own) == to_xml(*ws); }));

    // Saving removes the copy, and so does closing without the changes.
    std::string problem;
    ASSERT_TRUE(doc().save(dir.file("doc.xml"), problem)) << problem;
    EXPECT_TRUE(wait_for([&] { return !exists(own); }));
    ASSERT_TRUE(key('x'));
    ASSERT_TRUE(wait_for([&] { return exists(own); }));
    doc().forget_changes();
    EXPECT_TRUE(wait_for([&] { return !exists(own); }));

    // Changes nobody dropped (":q", the end of a session) stay for the next
    // start, with the document's path.
    ASSERT_TRUE(key('l'));
    ASSERT_TRUE(key('c'));
    const std::string unsaved = to_xml(*ws);
    ctx.reset();
    auto left = Model::RecoveryStore::describe(own);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->document_path, dir.file("doc.xml"));
    EXPECT_EQ(copy_document(own), unsaved);
}

TEST_F(DocumentFileTest, ChangesOnDiskAreShownAndNeverOverwrittenUnasked) {
    const std::string path = dir.file("doc.xml");
    std::string problem;
    ASSERT_TRUE(key('c'));
    ASSERT_TRUE(doc().save(path, problem));
    int asked = 0;
    bool overwrite = false;
    doc().confirm_overwrite = [&](const std::string&) {
        ++asked;
        return overwrite;
    };
    // Our own saves are not changes on disk.
    ASSERT_TRUE(doc().save("", problem));
    run_for(300);
    EXPECT_FALSE(doc().get_is_changed_on_disk());
    EXPECT_EQ(asked, 0);

    const std::string theirs = "<workspace><element_cells/><connector_set/></workspace>\n";
    write_file(path, theirs);
    ASSERT_TRUE(wait_for([&] { return doc().get_is_changed_on_disk(); }));
    ASSERT_TRUE(key('l'));
    ASSERT_TRUE(key('c'));
    EXPECT_FALSE(doc().save("", problem));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(read_file(path), theirs);
    // "Keep mine": the next save writes without asking again.
    doc().keep_mine();
    EXPECT_FALSE(doc().get_is_changed_on_disk());
    ASSERT_TRUE(doc().save("", problem));
    EXPECT_EQ(asked, 1);
    EXPECT_NE(read_file(path), theirs);

    // "Reload" takes their version.
    write_file(path, theirs);
    ASSERT_TRUE(wait_for([&] { return doc().get_is_changed_on_disk(); }));
    ASSERT_TRUE(doc().reload(problem));
    EXPECT_EQ(ws->get_element_cells()->count(), 0);
    EXPECT_FALSE(doc().get_is_changed_on_disk());

    // A deleted file is simply written again.
    ASSERT_TRUE(key('c'));
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_TRUE(doc().save("", problem));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(exists(path));

    // Only regular files are read or written, and nothing waits on a pipe.
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string before = to_xml(*ws);
    for (const std::string& special : {fifo, std::string("/dev/null"), dir.path()}) {
        EXPECT_FALSE(doc().load(special, problem));
        EXPECT_EQ(problem.find(special), 0u) << problem;
        EXPECT_FALSE(doc().save(special, problem));
    }
    EXPECT_EQ(to_xml(*ws), before);
    EXPECT_EQ(ws->get_file_path(), path);
}

TEST_F(DocumentFileTest, OpeningAFileOffersItsNewerCopy) {
    start_recovery();
    const std::string path = dir.file("doc.xml");
    Model::Workspace on_disk;
    ASSERT_TRUE(on_disk.add_class(CellPos(0, 0)));
    ASSERT_TRUE(on_disk.save(path));
    std::vector<std::string> asked;
    DocumentFile::Answer answer = DocumentFile::Answer::DISCARD;
    doc().ask_recover = [&](const Model::RecoveryCopy& copy) {
        asked.push_back(copy.document_path);
        return answer;
    };
    std::string problem;

    // Discarded: the file as it is, and the copy gone.
    leave_orphan(path, CellPos(4, 4));
    ASSERT_TRUE(doc().load(path, problem));
    EXPECT_EQ(asked, std::vector<std::string>{path});
    EXPECT_EQ(to_xml(*ws), to_xml(on_disk));
    EXPECT_TRUE(doc().get_recovery_store()->find_orphans().empty());

    // Recovered: the copy's document as an unsaved change to the file.
    answer = DocumentFile::Answer::RECOVER;
    const std::string copied = leave_orphan(path, CellPos(5, 5));
    const std::string never_saved = leave_orphan("", CellPos(6, 6));  // not offered here
    ASSERT_TRUE(doc().load(path, problem));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(to_xml(*ws), copied);
    EXPECT_EQ(ws->get_file_path(), path);
    EXPECT_TRUE(ws->get_is_updated());
    EXPECT_TRUE(exists(own));
    EXPECT_EQ(doc().get_recovery_store()->find_orphans().size(), 1u);

    // At start every copy left behind is offered, never-saved ones too.
    asked.clear();
    doc().offer_recovery();
    EXPECT_EQ(asked, std::vector<std::string>{""});
    EXPECT_EQ(to_xml(*ws), never_saved);
    EXPECT_EQ(ws->get_file_path(), "");
}

}  // namespace
