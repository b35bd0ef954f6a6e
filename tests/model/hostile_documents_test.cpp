// Damaged and hostile documents opened through Workspace::load: each has one
// clear outcome, reached in bounded time and memory, and a refused load
// keeps the diagram that was open.
#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/connectors.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::class_at;
using lattrix_test::has_connector;
using lattrix_test::TempDir;
using lattrix_test::to_xml;
using lattrix_test::write_file;
using Model::Workspace;

namespace {

// Sanitizer builds run several times slower, double allocations with their
// redzones and keep up to 256 MiB of freed memory in quarantine; the limits
// below are for the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr double SLOWER = 8.0;
constexpr long MEMORY_FACTOR = 5;
#else
constexpr double SLOWER = 1.0;
constexpr long MEMORY_FACTOR = 1;
#endif

std::string doc(const std::string& prolog, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog + "<workspace>" + body +
           "</workspace>\n";
}

std::string cell(int64_t h, int64_t v, const std::string& uid, const std::string& name) {
    return "<cell h=\"" + std::to_string(h) + "\" v=\"" + std::to_string(v) + "\"><class uid=\"" +
           uid + "\"><name>" + name + "</name></class></cell>";
}

std::string connector(const std::string& uid, const std::string& type, const std::string& ends) {
    return "<connector uid=\"" + uid + "\" type=\"" + type + "\">" + ends + "</connector>";
}

std::string ends(int64_t sh, int64_t sv, int64_t eh, int64_t ev) {
    return "<start h=\"" + std::to_string(sh) + "\" v=\"" + std::to_string(sv) + "\"/><end h=\"" +
           std::to_string(eh) + "\" v=\"" + std::to_string(ev) + "\"/>";
}

double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long peak_rss_kib() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::set<uint32_t> all_uids(Workspace& ws, size_t* count) {
    std::set<uint32_t> uids;
    *count = 0;
    ws.get_element_cells()->foreach_ordered([&](int32_t, int32_t, const auto& elem) {
        uids.insert(elem->get_uid());
        ++*count;
        return true;
    });
    ws.get_connector_set()->foreach_ordered([&](const auto& con) {
        uids.insert(con->get_uid());
        ++*count;
        return true;
    });
    return uids;
}

}  // namespace

class HostileDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A diagram the user has open; a refused load must leave it alone.
        ASSERT_TRUE(ws.add_class(CellPos(0, 0), nullptr));
        m_before = to_xml(ws);
    }

    // Loads the file; fails the test when the load takes longer than
    // limit_seconds or raises the process's peak memory by more than
    // limit_mib (the growth of the peak bounds what the load itself took
    // when the test made nothing large before).
    bool load_file(const std::string& path, double limit_seconds = 5.0, long limit_mib = 200) {
        const long rss0 = peak_rss_kib();
        // CPU time, not wall time: other jobs on a shared machine must not
        // make a bounded load look unbounded.
        const double t0 = cpu_seconds();
        const bool ok = ws.load(path);
        const double took = cpu_seconds() - t0;
        const long grown_mib = (peak_rss_kib() - rss0) / 1024;
        EXPECT_LT(took, limit_seconds * SLOWER) << "load took " << took << " s of CPU";
        EXPECT_LT(grown_mib, limit_mib * MEMORY_FACTOR) << "load took " << grown_mib << " MiB";
        return ok;
    }

    bool load_text(const std::string& text, double limit_seconds = 5.0, long limit_mib = 200) {
        const std::string path = m_dir.file("in.xml");
        write_file(path, text);
        return load_file(path, limit_seconds, limit_mib);
    }

    void expect_untouched() { EXPECT_EQ(to_xml(ws), m_before); }

    size_t text_size() {
        size_t total = 0;
        ws.get_element_cells()->foreach_ordered([&](int32_t, int32_t, const auto& elem) {
            auto cls = std::dynamic_pointer_cast<Model::ClassElement>(elem);
            if (cls) {
                cls->foreach_shown_text_elem([&](Model::TextElement& t) {
                    total += t.get_text().size();
                    return true;
                });
            }
            return true;
        });
        return total;
    }

    // Saving, reading the file back and saving again changes nothing.
    void expect_stable_round_trip() {
        const std::string saved = to_xml(ws);
        EXPECT_EQ(to_xml(ws), saved);
        const std::string path = m_dir.file("again.xml");
        ASSERT_TRUE(ws.save(path));
        ASSERT_TRUE(ws.load(path));
        EXPECT_EQ(to_xml(ws), saved);
    }

    TempDir m_dir;
    Workspace ws;
    std::string m_before;
};

TEST_F(HostileDocumentTest, EntityExpansionBombIsNeverExpanded) {
    // A billion laughs: ten levels of ten references, 30 GB of text when
    // expanded.
    std::string dtd = "<!DOCTYPE workspace [<!ENTITY a0 'lollollollollollollollollollol'>";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY a" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j) {
            dtd += "&a" + std::to_string(i - 1) + ";";
        }
        dtd += "'>";
    }
    dtd += "]>";
    // Whether referenced from a text or from an attribute, the reader
    // notices the amplification and refuses the document at once; the
    // open diagram stays.
    for (const std::string& body :
         {"<element_cells>" + cell(1, 1, "1", "A&a9;B") + "</element_cells><connector_set/>",
          std::string("<element_cells><cell h=\"2\" v=\"1\"><class uid=\"&a9;\"><name>C</name>"
                      "</class></cell></element_cells><connector_set/>")}) {
        EXPECT_FALSE(load_text(doc(dtd, body), 5.0, 100));
        expect_untouched();
    }
}

TEST_F(HostileDocumentTest, ExternalEntitiesAreNeverRead) {
    const std::string secret = m_dir.file("secret.txt");
    write_file(secret, "TOP-SECRET");
    const std::string uri = "file://" + secret;
    const std::string body =
        "<element_cells>" + cell(2, 2, "7", "X&s;") + "</element_cells><connector_set/>";
    // A general entity naming a file: the reference is left out.
    ASSERT_TRUE(load_text(doc("<!DOCTYPE workspace [<!ENTITY s SYSTEM '" + uri + "'>]>", body)));
    ASSERT_NE(class_at(ws, 2, 2), nullptr);
    EXPECT_EQ(class_at(ws, 2, 2)->name_elem->get_text(), "X");
    EXPECT_EQ(to_xml(ws).find("TOP-SECRET"), std::string::npos);

    // A parameter entity or an external DTD: the file or address is never
    // opened, and the document reads as if they were not there.
    for (const std::string& prolog :
         {"<!DOCTYPE workspace [<!ENTITY % p SYSTEM '" + uri + "'> %p;]>",
          std::string("<!DOCTYPE workspace SYSTEM 'http://127.0.0.1:9/evil.dtd'>"),
          "<!DOCTYPE workspace SYSTEM '" + uri + "'>"}) {
        SCOPED_TRACE(prolog);
        ASSERT_TRUE(load_text(doc(prolog, "<element_cells>" + cell(3, 3, "8", "Y") +
                                              "</element_cells><connector_set/>")));
        ASSERT_NE(class_at(ws, 3, 3), nullptr);
        EXPECT_EQ(to_xml(ws).find("TOP-SECRET"), std::string::npos);
    }
}

TEST_F(HostileDocumentTest, DeepNestingIsRefusedAndShallowUnknownsIgnored) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<x>";
    }
    // Far too deep for the reader: refused, the open diagram stays.
    EXPECT_FALSE(load_text(doc("", deep)));
    expect_untouched();

    // Unknown elements at a moderate depth, some named like the format's
    // own, are skipped, and what follows them is still read.
    std::string nest;
    for (int i = 0; i < 100; ++i) {
        nest += i % 10 == 9 ? "<cell h=\"9\" v=\"9\">" : "<unknown a=\"1\">";
    }
    for (int i = 99; i >= 0; --i) {
        nest += i % 10 == 9 ? "</cell>" : "</unknown>";
    }
    ASSERT_TRUE(load_text(doc("", nest + "<element_cells>" + cell(3, 1, "5", "After") +
                                      "</element_cells><connector_set/>")));
    ASSERT_NE(class_at(ws, 3, 1), nullptr);
    EXPECT_EQ(class_at(ws, 3, 1)->name_elem->get_text(), "After");
    EXPECT_EQ(ws.get_element_cells()->count(), 1);
}

TEST_F(HostileDocumentTest, FiftyMegabyteDocuments) {
    // Written piece by piece, so that the test itself stays small and the
    // growth of the peak memory is what the load took.
    const std::string path = m_dir.file("big.xml");
    const std::string kib(1024, 'z');
    auto write_filler = [&kib](std::ofstream& out) {
        for (int i = 0; i < 25 * 1024; ++i) {
            out << "<junk>" << kib << "</junk><!--" << kib << "-->";
        }
    };
    // 100 MB that this program does not know (text in unknown elements and
    // comments) around two classes and a connector: read in one pass, the
    // classes kept.
    {
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace><element_cells>"
            << cell(0, 0, "1", "First");
        write_filler(out);
        out << cell(1, 0, "2", "Last") << "</element_cells>";
        write_filler(out);
        out << "<connector_set>" << connector("3", "association", ends(0, 0, 1, 0))
            << "</connector_set></workspace>\n";
    }
    ASSERT_GE(std::filesystem::file_size(path), 100u << 20);
    ASSERT_TRUE(load_file(path, 10.0, 100));
    EXPECT_EQ(ws.get_element_cells()->count(), 2);
    EXPECT_EQ(class_at(ws, 1, 0)->name_elem->get_text(), "Last");
    EXPECT_TRUE(has_connector(ws, CellPos(0, 0), CellPos(1, 0)));

    // One text of 50 MB is more than the reader takes in one node: the
    // document is refused rather than laid out as a 50 MB line.
    ASSERT_TRUE(ws.load(m_dir.file("none.xml")));  // a fresh document
    ASSERT_TRUE(ws.add_class(CellPos(0, 0), nullptr));
    m_before = to_xml(ws);
    {
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace><element_cells>"
            << "<cell h=\"0\" v=\"0\"><class uid=\"1\"><name>";
        for (int i = 0; i < 50 * 1024; ++i) {
            out << kib;
        }
        out << "</name></class></cell></element_cells><connector_set/></workspace>\n";
    }
    EXPECT_FALSE(load_file(path, 10.0, 300));
    expect_untouched();
}

TEST_F(HostileDocumentTest, HundredThousandClassesLoadInBoundedTime) {
    // 100 000 classes in 400 columns and 250 rows, with a connector along
    // every row: about 9 MB, written piece by piece so that the growth of
    // the peak memory is what the load took. The sanitizer build reads a
    // fifth of it.
    const int rows = SLOWER > 1.0 ? 50 : 250;
    const int cols = 400;
    const std::string path = m_dir.file("many.xml");
    {
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace><element_cells>";
        int uid = 1;
        for (int v = 0; v < rows; ++v) {
            for (int h = 0; h < cols; ++h) {
                out << cell(h, v, std::to_string(uid++), "C" + std::to_string(h));
            }
        }
        out << "</element_cells><connector_set>";
        for (int v = 0; v < rows; ++v) {
            out << connector(std::to_string(uid++), "association", ends(0, v, cols - 1, v));
        }
        out << "</connector_set></workspace>\n";
    }
    ASSERT_TRUE(load_file(path, 30.0, 1000));
    EXPECT_EQ(ws.get_element_cells()->count(), rows * cols);
    EXPECT_EQ(ws.get_connector_set()->size(), rows);
    ASSERT_NE(class_at(ws, cols - 1, rows - 1), nullptr);
    EXPECT_EQ(class_at(ws, cols - 1, rows - 1)->name_elem->get_text(),
              "C" + std::to_string(cols - 1));
}

TEST_F(HostileDocumentTest, LoadedLineSizesFollowTheLargestBoxes) {
    // Reading sizes every row and column in one pass over the classes; each
    // line must come out as the largest box in it plus the margin, as the
    // line-by-line sizing of an edit gives it.
    std::string cells;
    int uid = 1;
    for (int v = 0; v < 30; ++v) {
        for (int h = 0; h < 30; ++h) {
            const int n = (h * 31 + v * 17) % 23;
            if (n % 4 == 0) {
                continue;  // leave some cells empty
            }
            cells += "<cell h=\"" + std::to_string(h) + "\" v=\"" + std::to_string(v) +
                     "\"><class uid=\"" + std::to_string(uid++) + "\"><name>" +
                     std::string(static_cast<size_t>(n), 'W') + "</name>" +
                     (n % 3 == 0 ? "<block1>" + std::string(static_cast<size_t>(n % 5), '\n') +
                                       "x</block1>"
                                 : "") +
                     "</class></cell>";
        }
    }
    ASSERT_TRUE(load_text(doc("", "<element_cells>" + cells + "</element_cells><connector_set/>")));
    const auto& cls = *ws.get_element_cells();
    const double margin = ws.get_cell_margin();
    int lines = 0;
    cls.foreach_col_index([&](int32_t h) {
        EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::H).get_size(h),
                         cls.get_max_width_at_col(h) + margin)
            << "column " << h;
        ++lines;
        return true;
    });
    cls.foreach_row_index([&](int32_t v) {
        EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::V).get_size(v),
                         cls.get_max_height_at_row(v) + margin)
            << "row " << v;
        ++lines;
        return true;
    });
    EXPECT_EQ(lines, 60);
    // An edit that sizes its lines one by one agrees with the read.
    const double width = ws.get_grid()->get(CellDir::H).get_size(5);
    const double height = ws.get_grid()->get(CellDir::V).get_size(0);
    auto elem = ws.get_element_cells()->get(5, 0);
    ASSERT_NE(elem, nullptr);
    ASSERT_TRUE(ws.rm_class(CellPos(5, 0)));
    ASSERT_TRUE(ws.add_class(CellPos(5, 0), elem));
    EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::H).get_size(5), width);
    EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::V).get_size(0), height);
}

TEST_F(HostileDocumentTest, CoordinatesAtAndBeyondTheTableEdge) {
    ASSERT_TRUE(load_text(doc(
        "", "<element_cells>" + cell(65535, 65535, "1", "Corner") + cell(65535, 0, "2", "Right") +
                cell(0, 65535, "3", "Bottom") + cell(65536, 0, "4", "Beyond") +
                cell(-1, 0, "5", "Negative") + cell(4294967296 + 1, 1, "6", "Wraps") +
                cell(1, -4294967295LL, "7", "WrapsToo") +
                "<cell h=\"99999999999999999999999\" v=\"1\"><class uid=\"8\"/></cell>"
                "<cell h=\"\" v=\"1\"><class uid=\"9\"/></cell>"
                "<cell v=\"1\"><class uid=\"10\"/></cell>"
                "</element_cells><connector_set>" +
                connector("20", "association", ends(65535, 65535, 65535, 0)) +
                connector("21", "association", ends(65535, 0, 65536, 0)) +
                connector("22", "association", ends(-1, 0, 65535, 0)) +
                connector("23", "association", ends(65535, 4294967296, 0, 65535)) +
                "</connector_set>")));
    // Only the cells inside 0 .. 65535 are read; nothing wraps onto a cell
    // inside the table.
    EXPECT_EQ(ws.get_element_cells()->count(), 3);
    EXPECT_NE(class_at(ws, 65535, 65535), nullptr);
    EXPECT_NE(class_at(ws, 65535, 0), nullptr);
    EXPECT_NE(class_at(ws, 0, 65535), nullptr);
    EXPECT_EQ(class_at(ws, 1, 1), nullptr);
    EXPECT_EQ(class_at(ws, 0, 0), nullptr);
    ASSERT_EQ(ws.get_connector_set()->size(), 1);
    EXPECT_TRUE(has_connector(ws, CellPos(65535, 65535), CellPos(65535, 0)));
    // The grid spans the whole table and stays finite.
    const Rectangle corner = ws.get_grid()->get_rectangle(65535, 65535);
    EXPECT_GT(corner.x, 65535.0);
    EXPECT_LT(corner.x + corner.width, 1e9);
    // The last row and column are full, so nothing can be inserted in
    // front of them, and the document saves and reads back unchanged.
    EXPECT_FALSE(ws.insert_line(CellDir::H, 0));
    EXPECT_FALSE(ws.insert_line(CellDir::V, 0));
    expect_stable_round_trip();
    EXPECT_TRUE(ws.remove_line(CellDir::V, 65535));
    EXPECT_EQ(class_at(ws, 0, 65535), nullptr);
    EXPECT_TRUE(ws.insert_line(CellDir::V, 0));
    EXPECT_NE(class_at(ws, 65535, 1), nullptr);
}

TEST_F(HostileDocumentTest, DuplicateUidsAreMadeUniqueOnLoad) {
    // Three classes and a connector claim the uid 5 (written three ways).
    const std::string body = "<element_cells>" + cell(0, 0, "0x00000005", "First") +
                             cell(4, 2, "5", "Second") + cell(1, 3, "005", "Third") +
                             "</element_cells><connector_set>" +
                             connector("5", "association", ends(0, 0, 4, 2)) +
                             connector("0x2a", "composition", ends(4, 2, 1, 3)) +
                             connector("42", "dependency", ends(1, 3, 0, 0)) + "</connector_set>";
    ASSERT_TRUE(load_text(doc("", body)));
    // Every class and connector is kept; the class in the first cell (row
    // by row) keeps the uid, the others get fresh ones.
    ASSERT_NE(class_at(ws, 0, 0), nullptr);
    ASSERT_NE(class_at(ws, 4, 2), nullptr);
    ASSERT_NE(class_at(ws, 1, 3), nullptr);
    EXPECT_EQ(class_at(ws, 0, 0)->get_uid(), 5u);
    EXPECT_EQ(class_at(ws, 4, 2)->name_elem->get_text(), "Second");
    EXPECT_EQ(ws.get_connector_set()->size(), 3);
    EXPECT_TRUE(has_connector(ws, CellPos(0, 0), CellPos(4, 2)));
    size_t count = 0;
    EXPECT_EQ(all_uids(ws, &count).size(), count);
    EXPECT_EQ(count, 6u);
    expect_stable_round_trip();
}

TEST_F(HostileDocumentTest, EqualUidsSaveInCellOrder) {
    // Elements made in the program never share a uid, but set_uid can give
    // them one; the file order must then still be one order, whatever the
    // order in which the cells and connectors were made.
    auto fill = [](Workspace& target, const std::vector<CellPos>& order) {
        for (const auto& pos : order) {
            ASSERT_TRUE(target.add_class(pos, nullptr));
            class_at(target, pos.h, pos.v)->set_uid(7);
        }
        // Pairs that other classes wall in are refused, the same in both
        // fills.
        for (size_t i = 0; i + 1 < order.size(); i += 2) {
            lattrix_test::connect(target, order[i], order[i + 1]);
        }
        for (const auto& con : *target.get_connector_set()) {
            con->set_uid(9);
        }
    };
    auto cells_of = [](Workspace& src) {
        std::vector<CellPos> out;
        src.get_element_cells()->foreach_ordered([&](int32_t h, int32_t v, const auto&) {
            out.emplace_back(h, v);
            return true;
        });
        return out;
    };
    auto connectors_of = [](Workspace& src) {
        std::vector<std::pair<CellPos, CellPos>> out;
        src.get_connector_set()->foreach_ordered([&](const auto& con) {
            out.emplace_back(con->start_pos, con->end_pos);
            return true;
        });
        return out;
    };
    std::vector<CellPos> order;
    for (int i = 0; i < 40; ++i) {
        order.emplace_back((i * 7) % 13, (i * 5) % 11);
    }
    Workspace forward;
    fill(forward, order);
    Workspace backward;
    std::vector<CellPos> reversed(order.rbegin(), order.rend());
    fill(backward, reversed);

    const auto cells = cells_of(forward);
    ASSERT_EQ(cells.size(), order.size());
    EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end()));
    EXPECT_EQ(cells_of(backward), cells);
    const auto cons = connectors_of(forward);
    ASSERT_GE(cons.size(), order.size() / 4);
    ASSERT_EQ(connectors_of(backward).size(), cons.size());
    EXPECT_TRUE(std::is_sorted(cons.begin(), cons.end()));
    // The connectors of the reversed fill run the other way round; the
    // order still follows their start cells.
    const auto back_cons = connectors_of(backward);
    EXPECT_TRUE(std::is_sorted(back_cons.begin(), back_cons.end()));
    const std::string xml = to_xml(forward);
    EXPECT_EQ(to_xml(forward), xml);
}

TEST_F(HostileDocumentTest, ConnectorsWhoseEndsAreNotClasses) {
    const std::string body =
        "<element_cells>" + cell(1, 1, "1", "Only") + "</element_cells><connector_set>" +
        connector("2", "association", ends(1, 1, 1, 1)) +            // from the class to itself
        connector("3", "composition", ends(1, 1, 5, 1)) +            // to an empty cell
        connector("4", "dependency", ends(9, 9, 0, 65535)) +         // between empty cells
        connector("5", "composition", "<start h=\"1\" v=\"1\"/>") +  // one end only
        connector("6", "generalization", "") +                       // no ends
        "</connector_set>";
    ASSERT_TRUE(load_text(doc("", body)));
    // Connectors with both ends in the table are kept as they are, even
    // without classes at their ends; the others are skipped.
    EXPECT_NE(class_at(ws, 1, 1), nullptr);
    EXPECT_EQ(ws.get_connector_set()->size(), 3);
    EXPECT_TRUE(has_connector(ws, CellPos(1, 1), CellPos(5, 1)));
    EXPECT_TRUE(has_connector(ws, CellPos(9, 9), CellPos(0, 65535)));
    expect_stable_round_trip();
    // The editor's own edits around them stay sound: a class put on the
    // loose end, rows and columns moved under them, the class removed.
    EXPECT_TRUE(ws.add_class(CellPos(5, 1), nullptr));
    EXPECT_TRUE(ws.insert_line(CellDir::H, 0));
    EXPECT_TRUE(has_connector(ws, CellPos(2, 1), CellPos(6, 1)));
    EXPECT_TRUE(ws.rm_class(CellPos(2, 1)));
    EXPECT_FALSE(has_connector(ws, CellPos(2, 1), CellPos(6, 1)));
    EXPECT_TRUE(ws.remove_line(CellDir::V, 9));
    EXPECT_FALSE(has_connector(ws, CellPos(10, 9), CellPos(1, 65535)));
    expect_stable_round_trip();
}

TEST_F(HostileDocumentTest, TruncatedAndGarbageFilesAreRefused) {
    const std::string good =
        doc("", "<element_cells>" + cell(1, 1, "1", "A") + "</element_cells><connector_set/>");
    for (const std::string& bad :
         {good.substr(0, good.size() / 2), std::string("\x00\x01\xff<workspace>", 14),
          std::string("<workspace><element_cells><cell h=\"1\" v=\"1\"><class>"
                      "<name>\xff\xfe</name></class></cell></element_cells></workspace>")}) {
        EXPECT_FALSE(load_text(bad));
        expect_untouched();
    }
}
