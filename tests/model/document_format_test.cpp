// The document file as a whole: what a saved diagram looks like and what a
// hand-written or damaged file reads as.
#include <string>

#include <glib.h>

#include <gtest/gtest.h>

#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::class_at;
using lattrix_test::connect;
using lattrix_test::has_connector;
using lattrix_test::read_file;
using lattrix_test::TempDir;
using lattrix_test::to_xml;
using lattrix_test::write_file;
using Model::Workspace;

namespace {

std::string doc(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace>" + body + "</workspace>\n";
}

std::string strip_space(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != ' ' && c != '\n' && c != '\t') {
            out += c;
        }
    }
    return out;
}

}  // namespace

class DocumentFormatTest : public ::testing::Test {
  protected:
    // Writes text to a file and loads it into ws.
    bool load_text(const std::string& text) {
        std::string path = m_dir.file("in.xml");
        write_file(path, text);
        return ws.load(path);
    }

    TempDir m_dir;
    Workspace ws;
};

TEST_F(DocumentFormatTest, EmptyWorkspace) {
    std::string xml = to_xml(ws);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << xml;
    EXPECT_NE(strip_space(xml).find("<workspace><element_cells/><connector_set/></workspace>"),
              std::string::npos)
        << xml;
    ASSERT_TRUE(load_text(xml));
    EXPECT_EQ(ws.get_element_cells()->count(), 0);
    EXPECT_TRUE(ws.get_connector_set()->is_empty());
}

TEST_F(DocumentFormatTest, ClassTextsAndBlocks) {
    ws.add_class(CellPos(2, 1));
    auto both = class_at(ws, 2, 1);
    both->name_elem->set_text("Order");
    both->insert_block(1);
    both->block1_elem->set_text("id : int\nitems < 10 & more");
    both->insert_block(2);
    both->block2_elem->set_text("");
    ws.add_class(CellPos(0, 0));
    auto second = class_at(ws, 0, 0);
    second->insert_block(2);
    second->block2_elem->set_text("run()");

    std::string xml = to_xml(ws);
    std::string flat = strip_space(xml);
    EXPECT_NE(flat.find("<cellh=\"2\"v=\"1\"><classuid="), std::string::npos) << xml;
    EXPECT_NE(xml.find("&lt; 10 &amp; more"), std::string::npos) << xml;
    // Name, then the shown blocks in order; a hidden block is not written.
    size_t name = xml.find("<name>Order</name>");
    size_t b1 = xml.find("<block1>id");
    size_t b2 = xml.find("<block2", b1);
    ASSERT_NE(name, std::string::npos);
    EXPECT_LT(name, b1);
    EXPECT_LT(b1, b2);
    // The second class's own element holds no block 1.
    char uid[16];
    g_snprintf(uid, sizeof uid, "0x%08x", second->get_uid());
    size_t own = xml.find(std::string("uid=\"") + uid);
    ASSERT_NE(own, std::string::npos) << xml;
    std::string second_xml = xml.substr(own, xml.find("</class>", own) - own);
    EXPECT_EQ(second_xml.find("<block1"), std::string::npos) << second_xml;
    EXPECT_NE(second_xml.find("<block2>run()</block2>"), std::string::npos) << second_xml;

    ASSERT_TRUE(load_text(xml));
    auto a = class_at(ws, 2, 1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->get_uid(), both->get_uid());
    EXPECT_EQ(a->name_elem->get_text(), "Order");
    EXPECT_EQ(a->block1_elem->get_text(), "id : int\nitems < 10 & more");
    EXPECT_TRUE(a->block1_shown && a->block2_shown);
    EXPECT_EQ(a->block2_elem->get_text(), "");
    auto b = class_at(ws, 0, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->block1_shown);
    EXPECT_TRUE(b->block2_shown);
    EXPECT_EQ(b->block2_elem->get_text(), "run()");
    EXPECT_EQ(to_xml(ws), xml);
}

TEST_F(DocumentFormatTest, EveryConnectorKindKeepsKindUidAndEnds) {
    const char* kinds[] = {"association", "dependency",     "aggregation",
                           "composition", "generalization", "realization"};
    for (int i = 0; i < 6; ++i) {
        ws.add_class(CellPos(i * 2, 0));
        ws.add_class(CellPos(i * 2, 3));
    }
    std::vector<std::pair<std::string, uint32_t>> written;
    for (int i = 0; i < 6; ++i) {
        auto con = connect(ws, CellPos(i * 2, 0), CellPos(i * 2, 3), kinds[i]);
        ASSERT_NE(con, nullptr);
        written.emplace_back(kinds[i], con->get_uid());
    }
    std::string xml = to_xml(ws);
    ASSERT_TRUE(load_text(xml));
    ASSERT_EQ(ws.get_connector_set()->size(), 6);
    for (const auto& con : *ws.get_connector_set()) {
        int i = con->start_pos.h / 2;
        EXPECT_EQ(con->get_serializing_type_name(), written[i].first);
        EXPECT_EQ(con->get_uid(), written[i].second);
        EXPECT_EQ(con->start_pos, CellPos(i * 2, 0));
        EXPECT_EQ(con->end_pos, CellPos(i * 2, 3));
        EXPECT_FALSE(con->get_segments().empty());
    }
    EXPECT_EQ(to_xml(ws), xml);
}

TEST_F(DocumentFormatTest, HandWrittenFile) {
    // Unknown kinds and elements are skipped, uids read in any base, the
    // order of children does not matter.
    ASSERT_TRUE(load_text(
        doc("<element_cells>"
            "<cell h=\"2\" v=\"1\"><class uid=\"0x0000002a\"><block1>id : int</block1>"
            "<name>Order</name></class></cell>"
            "<cell h=\"2\" v=\"3\"><class uid=\"43\"><name>Item</name><unknown/></class></cell>"
            "<cell h=\"5\" v=\"5\"/>"
            "</element_cells>"
            "<comment>ignored</comment>"
            "<connector_set>"
            "<connector uid=\"0x10\" type=\"generalization\"><end h=\"2\" v=\"3\"/>"
            "<start h=\"2\" v=\"1\"/></connector>"
            "<connector uid=\"0x11\" type=\"inheritance\"><start h=\"2\" v=\"1\"/>"
            "<end h=\"2\" v=\"3\"/></connector>"
            "<connector uid=\"0x12\"><start h=\"2\" v=\"1\"/><end h=\"2\" v=\"3\"/></connector>"
            "</connector_set>")));
    EXPECT_EQ(ws.get_element_cells()->count(), 2);
    auto order = class_at(ws, 2, 1);
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->get_uid(), 42u);
    EXPECT_EQ(order->name_elem->get_text(), "Order");
    EXPECT_TRUE(order->block1_shown);
    EXPECT_EQ(class_at(ws, 2, 3)->get_uid(), 43u);
    ASSERT_EQ(ws.get_connector_set()->size(), 1);
    auto con = *ws.get_connector_set()->begin();
    EXPECT_EQ(con->get_uid(), 0x10u);
    EXPECT_EQ(con->start_elem, order);
    EXPECT_NE(to_xml(ws).find("uid=\"0x0000002a\""), std::string::npos);
}

TEST_F(DocumentFormatTest, CoordinatesOutsideTheTableAreDropped) {
    // Nothing this program writes lies outside 0..65535; such entries are
    // left out rather than clamped onto other cells.
    ASSERT_TRUE(load_text(
        doc("<element_cells>"
            "<cell h=\"1\" v=\"1\"><class uid=\"1\"><name>Kept</name></class></cell>"
            "<cell h=\"-3\" v=\"1\"><class uid=\"2\"><name>Neg</name></class></cell>"
            "<cell h=\"1\" v=\"99999999999999\"><class uid=\"3\"><name>Huge</name></class></cell>"
            "<cell h=\"65536\" v=\"0\"><class uid=\"4\"><name>Edge</name></class></cell>"
            "<cell h=\"65535\" v=\"65535\"><class uid=\"5\"><name>Corner</name></class></cell>"
            "</element_cells><connector_set>"
            "<connector uid=\"6\" type=\"association\"><start h=\"1\" v=\"1\"/>"
            "<end h=\"65535\" v=\"65535\"/></connector>"
            "<connector uid=\"7\" type=\"association\"><start h=\"1\" v=\"1\"/>"
            "<end h=\"70000\" v=\"2\"/></connector>"
            "<connector uid=\"8\" type=\"association\"><start h=\"1\" v=\"-1\"/>"
            "<end h=\"1\" v=\"1\"/></connector>"
            "</connector_set>")));
    EXPECT_EQ(ws.get_element_cells()->count(), 2);
    EXPECT_NE(class_at(ws, 1, 1), nullptr);
    EXPECT_NE(class_at(ws, 65535, 65535), nullptr);
    ASSERT_EQ(ws.get_connector_set()->size(), 1);
    EXPECT_TRUE(has_connector(ws, CellPos(1, 1), CellPos(65535, 65535)));
    EXPECT_FALSE((*ws.get_connector_set()->begin())->get_segments().empty());
}

TEST_F(DocumentFormatTest, ConnectorBetweenEmptyCellsIsKept) {
    ASSERT_TRUE(
        load_text(doc("<element_cells/><connector_set>"
                      "<connector uid=\"9\" type=\"dependency\"><start h=\"1\" v=\"1\"/>"
                      "<end h=\"4\" v=\"2\"/></connector></connector_set>")));
    ASSERT_EQ(ws.get_connector_set()->size(), 1);
    auto con = *ws.get_connector_set()->begin();
    EXPECT_EQ(con->start_elem, nullptr);
    EXPECT_EQ(con->end_elem, nullptr);
    std::string path = m_dir.file("out.xml");
    ASSERT_TRUE(ws.save(path));
    EXPECT_NE(read_file(path).find("type=\"dependency\""), std::string::npos);
}

TEST_F(DocumentFormatTest, ElementsOfANewerVersionAreSkippedWhereverTheyStand) {
    // A later version may add elements anywhere, with or without a namespace
    // prefix, declared or not. Whatever they hold is theirs: a known name
    // inside one is not read as ours.
    const std::string plain =
        doc("<element_cells><cell h=\"1\" v=\"0\"><class uid=\"0x1\"><name>A</name>"
            "<block1>x</block1></class></cell><cell h=\"3\" v=\"2\"><class uid=\"0x2\">"
            "<name>B</name></class></cell></element_cells><connector_set>"
            "<connector uid=\"0x3\" type=\"association\"><start h=\"1\" v=\"0\"/>"
            "<end h=\"3\" v=\"2\"/></connector></connector_set>");
    ASSERT_TRUE(load_text(plain));
    const std::string expected = to_xml(ws);
    for (const char* ext : {"ext:meta", "meta", "x:cell", "ext:name"}) {
        SCOPED_TRACE(ext);
        const std::string open = std::string("<") + ext + " id=\"7\">";
        const std::string close = std::string("</") + ext + ">";
        // Nested known names inside the unknown element must stay unread.
        const std::string decoy = open +
                                  "<cell h=\"9\" v=\"9\"><class uid=\"0x9\"><name>Decoy</name>"
                                  "</class></cell><name>Decoy</name><start h=\"9\" v=\"9\"/>" +
                                  close;
        const std::string empty = std::string("<") + ext + "/>";
        std::string newer =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace xmlns:x=\"urn:later\">" +
            empty + "<element_cells>" + decoy + "<cell h=\"1\" v=\"0\">" + empty +
            "<class uid=\"0x1\">" + decoy + "<name>A</name>" + empty + "<block1>x</block1>" +
            "</class>" + decoy + "</cell>" + empty +
            "<cell h=\"3\" v=\"2\"><class uid=\"0x2\"><name>B</name></class></cell>" +
            "</element_cells>" + decoy + "<connector_set>" + empty +
            "<connector uid=\"0x3\" type=\"association\">" + decoy + "<start h=\"1\" v=\"0\"/>" +
            empty + "<end h=\"3\" v=\"2\"/></connector>" + decoy + "</connector_set>" + empty +
            "</workspace>\n";
        ASSERT_TRUE(load_text(newer));
        EXPECT_EQ(to_xml(ws), expected);
    }
}

TEST_F(DocumentFormatTest, TextsLongerThanTheEditorTakesStillLoad) {
    // Typing stops at 64 KiB a text; files may hold more, up to the reader's
    // own limit, and keep it.
    const std::string text(100 * 1024, 'x');
    ASSERT_TRUE(load_text(doc("<element_cells><cell h=\"0\" v=\"0\"><class uid=\"1\"><name>" +
                              text + "</name></class></cell></element_cells><connector_set/>")));
    auto klass = class_at(ws, 0, 0);
    ASSERT_NE(klass, nullptr);
    EXPECT_EQ(klass->name_elem->get_text(), text);
}

TEST_F(DocumentFormatTest, LabelsRideOnTheConnectorAndItsEndsAndOlderFilesStayByteForByte) {
    // Files this program saved before connectors had labels read and save
    // back as they were, byte for byte.
    for (const char* name : {"shop.xml", "library_ja.xml", "shapes.xml"}) {
        SCOPED_TRACE(name);
        const std::string before =
            read_file(std::string(LATTRIX_SOURCE_DIR) + "/tests/model/data/saved_" + name);
        ASSERT_TRUE(load_text(before));
        const std::string again = m_dir.file("again.xml");
        ASSERT_TRUE(ws.save(again));
        EXPECT_EQ(read_file(again), before);
    }

    ws.init();
    const std::string odd[] = {"1..*", "0..1 owner", "a<b & \"c\" 'd' >", "名前",
                               std::string(5000, 'x')};
    for (int i = 0; i < 5; ++i) {
        ws.add_class(CellPos(i * 2, 0));
        ws.add_class(CellPos(i * 2, 3));
        auto con = connect(ws, CellPos(i * 2, 0), CellPos(i * 2, 3),
                           i == 0 ? "realization" : "association");
        ASSERT_NE(con, nullptr);
        // Each connector lacks one label, so each absence is written too.
        if (i != 1)
            con->set_label(Model::ConnectorLabel::NAME, odd[i]);
        if (i != 2)
            con->set_label(Model::ConnectorLabel::START, odd[(i + 1) % 5]);
        if (i != 3)
            con->set_label(Model::ConnectorLabel::END, odd[(i + 2) % 5]);
    }
    const std::string xml = to_xml(ws);
    EXPECT_NE(xml.find("type=\"realization\" name=\"1..*\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("label=\"a&lt;b &amp; &quot;c&quot; 'd' &gt;\""), std::string::npos) << xml;
    ASSERT_TRUE(load_text(xml));
    ASSERT_EQ(ws.get_connector_set()->size(), 5);
    for (const auto& con : *ws.get_connector_set()) {
        const int i = con->start_pos.h / 2;
        SCOPED_TRACE(i);
        EXPECT_EQ(con->get_label(Model::ConnectorLabel::NAME), i != 1 ? odd[i] : "");
        EXPECT_EQ(con->get_label(Model::ConnectorLabel::START), i != 2 ? odd[(i + 1) % 5] : "");
        EXPECT_EQ(con->get_label(Model::ConnectorLabel::END), i != 3 ? odd[(i + 2) % 5] : "");
    }
    EXPECT_EQ(to_xml(ws), xml);

    // A hand-edited label may hold line breaks and tabs; a label is one line.
    ASSERT_TRUE(load_text(
        doc("<element_cells><cell h=\"0\" v=\"0\"><class uid=\"1\"><name>A</name></class></cell>"
            "<cell h=\"0\" v=\"2\"><class uid=\"2\"><name>B</name></class></cell></element_cells>"
            "<connector_set><connector uid=\"3\" type=\"association\" name=\"a&#10;b&#9;c\">"
            "<start h=\"0\" v=\"0\" label=\"\"/><end h=\"0\" v=\"2\" label=\" 1 \"/></connector>"
            "</connector_set>")));
    ASSERT_EQ(ws.get_connector_set()->size(), 1);
    auto con = *ws.get_connector_set()->begin();
    EXPECT_EQ(con->get_label(Model::ConnectorLabel::NAME), "a b c");
    EXPECT_EQ(con->get_label(Model::ConnectorLabel::START), "");
    EXPECT_EQ(con->get_label(Model::ConnectorLabel::END), " 1 ");
    EXPECT_EQ(to_xml(ws).find("label=\"\""), std::string::npos);
}
