// Recovery copies: what one editor leaves for the next, and what two running
// editors keep from each other.
#include "model/recovery_store.hpp"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::TempDir;
using lattrix_test::to_xml;
using Model::RecoveryStore;

namespace {

bool exists(const std::string& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

}  // namespace

TEST(RecoveryStoreTest, CopiesOfLiveEditorsAreNeitherOfferedNorTaken) {
    TempDir dir;
    const std::string folder = dir.file("state/lattrix");
    Model::Workspace ws;
    ASSERT_TRUE(ws.add_class(CellPos(2, 1)));
    ws.set_file_path(dir.file("doc.xml"));

    auto first = std::make_unique<RecoveryStore>(folder);
    RecoveryStore second(folder);
    ASSERT_TRUE(first->is_usable());
    ASSERT_TRUE(second.is_usable());
    EXPECT_NE(first->get_own_file(), second.get_own_file());
    // The copy is the document inside an element recording path and time.
    ASSERT_TRUE(first->write_own(RecoveryStore::encode(ws, ws.get_file_path(), 1234)));
    auto described = RecoveryStore::describe(first->get_own_file());
    ASSERT_TRUE(described);
    EXPECT_EQ(described->document_path, ws.get_file_path());
    EXPECT_EQ(described->saved_at, 1234);
    Model::Workspace back;
    ASSERT_TRUE(back.load(first->get_own_file()));
    EXPECT_EQ(to_xml(back), to_xml(ws));

    // While the first editor runs its copy is not the second's business.
    EXPECT_TRUE(second.find_orphans().empty());
    EXPECT_FALSE(second.claim(*described));
    const std::string left = first->get_own_file();
    first.reset();  // ends without removing its copy, as after a crash
    auto orphans = second.find_orphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].file, left);

    // While one editor decides about an orphan, another cannot take it.
    RecoveryStore third(folder);
    auto claim = second.claim(orphans[0]);
    ASSERT_TRUE(claim);
    EXPECT_FALSE(third.claim(orphans[0]));
    claim->remove();
    EXPECT_FALSE(exists(left));
    EXPECT_TRUE(third.find_orphans().empty());

    // A document replaced unsaved is set aside for the next start; the
    // newest copy comes first.
    ASSERT_TRUE(third.write_own(RecoveryStore::encode(ws, "", 10)));
    third.set_aside_own();
    ASSERT_TRUE(third.write_own(RecoveryStore::encode(ws, "", 20)));
    EXPECT_TRUE(exists(third.get_own_file()));
    orphans = second.find_orphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].saved_at, 10);
    third.remove_own();
    EXPECT_FALSE(exists(third.get_own_file()));
    // A file that holds no copy is not offered.
    lattrix_test::write_file(folder + "/junk.xml", "<workspace/>");
    EXPECT_EQ(second.find_orphans().size(), 1u);
}

TEST(RecoveryStoreTest, AFolderThatCannotBeMadeStoresNothing) {
    TempDir dir;
    lattrix_test::write_file(dir.file("plain"), "");
    RecoveryStore store(dir.file("plain/lattrix"));
    EXPECT_FALSE(store.is_usable());
    Model::Workspace ws;
    EXPECT_FALSE(store.write_own(RecoveryStore::encode(ws, "", 1)));
    EXPECT_TRUE(store.find_orphans().empty());
}
