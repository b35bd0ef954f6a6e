#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/serializing.hpp"

namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "lattrix-ser-XXXXXX").string();
        m_path = mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(m_path); }
    fs::path operator/(const std::string& name) const { return m_path / name; }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_path), {}));
    }

  private:
    fs::path m_path;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const fs::path& p, const std::string& s) {
    std::ofstream out(p, std::ios::binary);
    out << s;
}

// Reads a whole document, answering every node as "type:name:depth" (text
// nodes as "3:<text>"), plus whether the reader saw an error.
std::vector<std::string> walk(SerializingReader& r) {
    std::vector<std::string> out;
    while (r.next()) {
        if (r.is_text()) {
            out.push_back("3:" + r.get_text());
        } else {
            out.push_back(std::to_string(r.get_node_type()) + ":" + r.get_name() + ":" +
                          std::to_string(r.get_depth()));
        }
    }
    return out;
}

// Runs body and fails when it takes a second or more.
void within_a_second(const std::function<void()>& body) {
    auto start = std::chrono::steady_clock::now();
    body();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
}

}  // namespace

TEST(SerializingTest, RoundTripKeepsMarkupLineBreaksAndNonAscii) {
    TempDir dir;
    const std::string text = "a < b && c > d\n\"quoted\" 'x'\r\n  日本語 ÄÖ ✓\ttab";
    {
        SerializingWriter w((dir / "doc.xml").string(), 0);
        ASSERT_TRUE(w.is_open());
        EXPECT_FALSE(w.start_element("root"));
        EXPECT_FALSE(w.write_attribute("attr", text));
        EXPECT_FALSE(w.start_element("t"));
        EXPECT_FALSE(w.write_text(text));
        EXPECT_FALSE(w.end_element());
        EXPECT_FALSE(w.start_element("empty"));
        EXPECT_FALSE(w.end_element());
        w.finish();
        EXPECT_FALSE(w.has_failed());
    }
    const std::string file = slurp(dir / "doc.xml");
    EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << file;
    EXPECT_NE(file.find("<empty/>"), std::string::npos) << file;

    SerializingReader r((dir / "doc.xml").string());
    ASSERT_TRUE(r.skip_to_element("root"));
    EXPECT_EQ(r.get_depth(), 0);
    EXPECT_EQ(r.get_attribute("attr"), text);
    EXPECT_EQ(r.get_attribute("missing"), std::nullopt);
    ASSERT_TRUE(r.skip_to_element("t"));
    EXPECT_EQ(r.get_text(), text);
    ASSERT_TRUE(r.next());
    EXPECT_TRUE(r.is_text());
    EXPECT_EQ(r.get_text(), text);
    ASSERT_TRUE(r.next());
    EXPECT_TRUE(r.is_end_element());
    EXPECT_EQ(r.get_text(), "");
    EXPECT_EQ(r.get_name(), "t");
    EXPECT_FALSE(r.has_error());
}

TEST(SerializingTest, CharactersXmlCannotCarryStillReadBack) {
    auto w = SerializingWriter::to_memory();
    w->start_element("t");
    w->write_text(std::string("ok\x01\x0c") + "\xff\xfe" + "end");
    w->finish();
    auto r = SerializingReader::from_memory(w->get_contents());
    ASSERT_TRUE(r->skip_to_element("t"));
    EXPECT_EQ(r->get_text(),
              "ok\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "end");
    EXPECT_FALSE(r->has_error());
}

TEST(SerializingTest, FinishClosesOpenElements) {
    auto w = SerializingWriter::to_memory();
    w->start_element("a");
    w->start_element("b");
    w->write_text("x");
    w->finish();
    EXPECT_TRUE(w->start_element("late"));  // nothing more after finish
    auto r = SerializingReader::from_memory(w->get_contents());
    EXPECT_EQ(walk(*r), (std::vector<std::string>{"1:a:0", "1:b:1", "3:x", "15:b:1", "15:a:0"}));
    EXPECT_FALSE(r->has_error());
}

TEST(SerializingTest, FileReplacedOnlyWhenFinished) {
    TempDir dir;
    const fs::path path = dir / "doc.xml";
    spit(path, "good");
    {
        SerializingWriter w(path.string(), 0);
        w.start_element("root");
        w.write_text(std::string(100000, 'x'));
        EXPECT_EQ(slurp(path), "good");  // still the old file mid-write
        w.finish();
    }
    EXPECT_NE(slurp(path).find("<root>xxx"), std::string::npos);
    EXPECT_EQ(dir.entries(), 1u);  // no temporary file left behind
}

TEST(SerializingTest, UnopenableFilesFailCleanly) {
    SerializingWriter w("/nonexistent-dir/sub/doc.xml", 0);
    EXPECT_FALSE(w.is_open());
    EXPECT_TRUE(w.has_failed());
    EXPECT_TRUE(w.start_element("a"));
    EXPECT_TRUE(w.write_attribute("b", "c"));
    EXPECT_TRUE(w.write_text("d"));
    EXPECT_TRUE(w.end_element());
    w.finish();

    SerializingReader r("/nonexistent-dir/doc.xml");
    EXPECT_FALSE(r.next());
    EXPECT_FALSE(r.skip_to_element("a"));
    EXPECT_FALSE(r.foreach_subtree([] { return true; }));
    EXPECT_EQ(r.get_text(), "");
    EXPECT_EQ(r.get_attribute("a"), std::nullopt);
}

TEST(SerializingTest, ForeachSubtreeWalksChildrenAndStopsAtItsEnd) {
    auto r = SerializingReader::from_memory("<root><a x='1'/><b><c>t</c><d/></b><e/></root>");
    ASSERT_TRUE(r->skip_to_element("a"));
    // An empty element has nothing inside: no call, no move.
    int calls = 0;
    EXPECT_TRUE(r->foreach_subtree([&] {
        ++calls;
        return true;
    }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(r->get_name(), "a");
    EXPECT_TRUE(r->skip_to_element("a"));  // standing on it: no move

    ASSERT_TRUE(r->skip_to_element("b"));
    std::vector<std::string> seen;
    EXPECT_TRUE(r->foreach_subtree([&] {
        seen.push_back(std::to_string(r->get_node_type()) + r->get_name());
        return true;
    }));
    // The children only: the text inside c is c's.
    EXPECT_EQ(seen, (std::vector<std::string>{"1c", "15c", "1d"}));
    EXPECT_TRUE(r->is_end_element());
    EXPECT_EQ(r->get_name(), "b");
    ASSERT_TRUE(r->next());
    EXPECT_EQ(r->get_name(), "e");  // the sibling was not swallowed
}

TEST(SerializingTest, ForeachSubtreeStopsCallingAfterFalseButConsumes) {
    auto r = SerializingReader::from_memory("<root><b><c/><d/><f/></b><e/></root>");
    ASSERT_TRUE(r->skip_to_element("b"));
    int calls = 0;
    EXPECT_FALSE(r->foreach_subtree([&] { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(r->get_name(), "b");
    ASSERT_TRUE(r->next());
    EXPECT_EQ(r->get_name(), "e");
    ASSERT_TRUE(r->next());
    EXPECT_FALSE(r->foreach_subtree([] { return true; }));  // on an end element
}

TEST(SerializingHostileTest, EntityBombsDoNotExpand) {
    std::string decl = "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY a0 'lollollollollol'>";
    for (int i = 1; i <= 9; ++i) {
        decl += "<!ENTITY a" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j) {
            decl += "&a" + std::to_string(i - 1) + ";";
        }
        decl += "'>";
    }
    decl += "]>";
    const std::string in_text = decl + "<r><t>&a9;</t></r>";
    const std::string in_attr = decl + "<r><t v='&a9;'>x</t></r>";
    std::string refs;
    for (int i = 0; i < 5000; ++i) {
        refs += "&b;";
    }
    const std::string big_decl = "<!DOCTYPE r [<!ENTITY b '" + std::string(100000, 'q') + "'>]>";
    const std::string quadratic = big_decl + "<r><t v='" + refs + "'></t></r>";
    const std::string quadratic_text = big_decl + "<r><t>" + refs + "</t></r>";
    for (const std::string& doc : {in_text, in_attr, quadratic, quadratic_text}) {
        within_a_second([&] {
            auto r = SerializingReader::from_memory(doc);
            size_t total = 0;
            if (r->skip_to_element("t")) {
                total += r->get_attribute("v").value_or("").size();
                total += r->get_text().size();
            }
            while (r->next()) {
                total += r->get_text().size();
            }
            EXPECT_LT(total, 1000000u);
        });
    }
}

TEST(SerializingHostileTest, NothingIsLoadedFromOutside) {
    TempDir dir;
    spit(dir / "secret.txt", "TOP-SECRET");
    const std::string secret_uri = "file://" + (dir / "secret.txt").string();
    const std::string docs[] = {
        "<!DOCTYPE r [<!ENTITY s SYSTEM '" + secret_uri + "'>]><r><t>&s;</t><u v='&s;'/></r>",
        "<!DOCTYPE r SYSTEM '" + secret_uri + "'><r><t>x</t></r>",
        "<!DOCTYPE r SYSTEM 'http://127.0.0.1:9/evil.dtd'><r><t>x</t></r>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM '" + secret_uri + "'> %p;]><r><t>x</t></r>",
        "<r xmlns:xi='http://www.w3.org/2001/XInclude'><t><xi:include href='" + secret_uri +
            "' parse='text'/></t></r>",
    };
    for (const std::string& doc : docs) {
        within_a_second([&] {
            auto r = SerializingReader::from_memory(doc);
            std::string seen;
            while (r->next()) {
                seen += r->get_text();
                seen += r->get_attribute("v").value_or("");
                if (r->is_start_element() && r->get_name() == "t") {
                    seen += r->get_text();
                }
            }
            EXPECT_EQ(seen.find("TOP-SECRET"), std::string::npos) << doc;
        });
    }
}

TEST(SerializingHostileTest, BrokenDocumentsAnswerFalse) {
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    const std::string docs[] = {
        "<root><a>text</a><b",                    // truncated
        "<root><a>bad \xff\xfe utf8</a></root>",  // invalid UTF-8
        deep,                                     // very deep nesting
        "<root><a></b></root>",                   // mismatched end
        "",                                       // nothing at all
        std::string("<root>\0</root>", 14),       // embedded NUL
    };
    for (const std::string& doc : docs) {
        within_a_second([&] {
            auto r = SerializingReader::from_memory(doc);
            int steps = 0;
            while (r->next()) {
                r->get_text();
                ++steps;
            }
            EXPECT_FALSE(r->next());
            EXPECT_TRUE(r->has_error()) << doc.substr(0, 40);
            EXPECT_LT(steps, 1000);
        });
    }
    // A document root standing open on foreach_subtree: the walk ends too.
    within_a_second([&] {
        auto r = SerializingReader::from_memory(deep);
        ASSERT_TRUE(r->skip_to_element("a"));
        r->foreach_subtree([] { return true; });
        EXPECT_TRUE(r->has_error());
    });
}
