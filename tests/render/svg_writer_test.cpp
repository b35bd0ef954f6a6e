#include "render/svg_writer.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "diagram_generator.hpp"
#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"
#include "render/exporting_canvas.hpp"

namespace {

std::string attr(xmlNodePtr n, const char* name) {
    xmlChar* v = xmlGetProp(n, BAD_CAST name);
    std::string s = v != nullptr ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return s;
}

std::string content(xmlNodePtr n) {
    xmlChar* v = xmlNodeGetContent(n);
    std::string s = v != nullptr ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return s;
}

std::vector<xmlNodePtr> children(xmlNodePtr n, const char* name) {
    std::vector<xmlNodePtr> out;
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && xmlStrcmp(c->name, BAD_CAST name) == 0) {
            out.push_back(c);
        }
    }
    return out;
}

std::string hex_id(const char* prefix, uint32_t uid) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s-0x%08x", prefix, uid);
    return buf;
}

std::vector<Point> parse_points(const std::string& s) {
    std::vector<Point> pts;
    std::istringstream in(s);
    std::string pair;
    while (in >> pair) {
        size_t comma = pair.find(',');
        pts.emplace_back(g_ascii_strtod(pair.substr(0, comma).c_str(), nullptr),
                         g_ascii_strtod(pair.substr(comma + 1).c_str(), nullptr));
    }
    return pts;
}

}  // namespace

// A generated diagram, written as SVG and read back as XML, shows every
// class and connector of the document once, with its texts and route.
TEST(SvgWriterTest, GeneratedDiagramReadsBackWithEveryClassTextAndRoute) {
    char* dir = g_dir_make_tmp("lattrix-svg-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    const std::string doc = std::string(dir) + "/d.xml";
    ASSERT_TRUE(Bench::write_file(doc, Bench::to_document_xml(Bench::generate_diagram(40))));
    auto ws = std::make_shared<Model::Workspace>();
    ASSERT_TRUE(ws->load(doc));
    g_unlink(doc.c_str());
    g_rmdir(dir);
    g_free(dir);
    // A text XML must escape, and one it cannot carry at all.
    auto first = std::dynamic_pointer_cast<Model::ClassElement>(ws->get_element_cells()->get(0, 0));
    ASSERT_NE(first, nullptr);
    first->name_elem->set_text("A<B> & \"C\"  d");

    std::map<std::string, const Model::ClassElement*> classes;
    CellPos last(0, 0);
    ws->get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto& e) {
        if (auto* k = dynamic_cast<const Model::ClassElement*>(e.get())) {
            classes[hex_id("class", k->get_uid())] = k;
            last = CellPos(std::max(last.h, h), std::max(last.v, v));
        }
        return true;
    });
    std::map<std::string, const Model::AbstractConnectorElement*> connectors;
    ws->get_connector_set()->foreach_ordered([&](const auto& c) {
        connectors[hex_id("connector", c->get_uid())] = c.get();
        return true;
    });
    ASSERT_GT(classes.size(), 30u);
    ASSERT_GT(connectors.size(), 20u);

    const Model::Grid& grid = *ws->get_grid();
    const Rectangle area = grid.get_rectangle_range(CellRange(CellPos(0, 0), last));
    std::string svg;
    std::string error;
    View::SvgWriter writer(ws, area, View::ColorMap::new_for_export());
    ASSERT_TRUE(writer.write(svg, error)) << error;

    xmlDocPtr xml = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "export.svg", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    ASSERT_NE(xml, nullptr) << "not well-formed XML";
    xmlNodePtr root = xmlDocGetRootElement(xml);
    EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "svg");
    std::istringstream vb(attr(root, "viewBox"));
    double vx, vy, vw, vh;
    vb >> vx >> vy >> vw >> vh;
    EXPECT_EQ(Rectangle(vx, vy, vw, vh), area);
    EXPECT_EQ(children(root, "style").size(), 1u);

    std::set<std::string> seen_classes;
    std::set<std::string> seen_connectors;
    for (xmlNodePtr g : children(root, "g")) {
        const std::string kind = attr(g, "class");
        const std::string id = attr(g, "id");
        if (kind == "class") {
            ASSERT_TRUE(classes.count(id)) << id;
            EXPECT_TRUE(seen_classes.insert(id).second) << id << " twice";
            EXPECT_EQ(children(g, "rect").size(), 1u);
            const Model::ClassElement& k = *classes[id];
            EXPECT_EQ(children(g, "line").size(), size_t{k.block1_shown} + size_t{k.block2_shown});
            // The texts are the document's, a line per tspan.
            std::vector<std::string> shown;
            k.foreach_shown_text_elem([&](Model::TextElement& t) {
                shown.push_back(t.get_text());
                return true;
            });
            auto texts = children(g, "text");
            ASSERT_EQ(texts.size(), shown.size()) << id;
            for (size_t i = 0; i < texts.size(); ++i) {
                std::string joined;
                for (xmlNodePtr span : children(texts[i], "tspan")) {
                    joined += (span == children(texts[i], "tspan").front() ? "" : "\n");
                    joined += content(span);
                }
                EXPECT_EQ(joined, shown[i]) << id;
            }
        } else {
            ASSERT_EQ(kind.rfind("connector ", 0), 0u) << kind;
            ASSERT_TRUE(connectors.count(id)) << id;
            EXPECT_TRUE(seen_connectors.insert(id).second) << id << " twice";
            const Model::AbstractConnectorElement& con = *connectors[id];
            EXPECT_EQ(kind, "connector " + con.get_serializing_type_name());
            auto lines = children(g, "polyline");
            ASSERT_EQ(lines.size(), 1u);
            // The route's points, each moved at most half a pixel to lie on
            // a pixel centre as in the PNG; a decorated end whose segment is
            // too short for its setback starts nearer the class, on the same
            // line.
            const auto pts = parse_points(attr(lines[0], "points"));
            const auto& segs = con.get_segments();
            ASSERT_EQ(pts.size(), segs.size() + 1) << id;
            const Model::GridList& hl = grid.get(CellDir::H);
            const Model::GridList& vl = grid.get(CellDir::V);
            for (size_t i = 0; i < pts.size(); ++i) {
                const auto& seg = i < segs.size() ? *segs[i] : *segs.back();
                const CellPos cell = i < segs.size() ? seg.start : seg.end;
                const Point off = i < segs.size() ? seg.start_point : seg.end_point;
                const bool shortened_end =
                    (i == 0 && con.start_term) || (i + 1 == pts.size() && con.end_term);
                const bool along_x = seg.get_hv() == CellDir::H;
                if (!shortened_end || !along_x) {
                    EXPECT_LE(std::abs(pts[i].x - (hl.get(cell.h - 1) + off.x)), 0.5)
                        << id << " " << i;
                }
                if (!shortened_end || along_x) {
                    EXPECT_LE(std::abs(pts[i].y - (vl.get(cell.v - 1) + off.y)), 0.5)
                        << id << " " << i;
                }
            }
            size_t decorated = size_t{con.start_term != nullptr} + size_t{con.end_term != nullptr};
            EXPECT_EQ(children(g, "path").size(), decorated) << id;
        }
    }
    EXPECT_EQ(seen_classes.size(), classes.size());
    EXPECT_EQ(seen_connectors.size(), connectors.size());
    xmlFreeDoc(xml);
}
