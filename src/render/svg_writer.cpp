#include "render/svg_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>
#include <vector>

#include <glib.h>
#include <libxml/xmlwriter.h>
#include <pangomm/context.h>
#include <pangomm/font.h>
#include <pangomm/layout.h>

#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"
#include "render/drawer_context.hpp"
#include "render/drawers/class_drawer.hpp"
#include "render/connector_labels.hpp"
#include "render/drawers/connector_drawers.hpp"

namespace View {

namespace {

// The shortest text that reads back as the same double.
std::string num(double v) {
    if (v == 0.0) {
        return "0";  // never "-0"
    }
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

std::string point_list(const std::vector<Point>& pts) {
    std::string s;
    for (const Point& p : pts) {
        if (!s.empty()) {
            s += ' ';
        }
        s += num(p.x) + ',' + num(p.y);
    }
    return s;
}

// A CSS colour: "none" when fully transparent, else "#rrggbb" with an
// opacity property beside it when it is not opaque.
std::string css_paint(const char* property, const Rgba& c) {
    if (c.get_alpha() <= 0.0) {
        return std::string(property) + ": none;";
    }
    auto to8 = [](double d) {
        return static_cast<unsigned>(std::clamp(d, 0.0, 1.0) * 255.0 + 0.5);
    };
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", to8(c.get_red()), to8(c.get_green()),
                  to8(c.get_blue()));
    std::string s = std::string(property) + ": " + hex + ";";
    if (c.get_alpha() < 1.0) {
        s += std::string(" ") + property + "-opacity: " + num(c.get_alpha()) + ";";
    }
    return s;
}

// Text as XML can carry it: valid UTF-8 without the control characters XML
// forbids; anything else becomes U+FFFD, so the file always reads back.
std::string xml_text(const std::string& s) {
    gchar* valid = g_utf8_make_valid(s.c_str(), static_cast<gssize>(s.size()));
    std::string out;
    for (const gchar* p = valid; *p != '\0'; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if ((c < 0x20 && c != '\t') || c == 0xfffe || c == 0xffff) {
            out += "\xef\xbf\xbd";
        } else {
            out.append(p, g_utf8_next_char(p) - p);
        }
    }
    g_free(valid);
    return out;
}

bool rects_meet(const Rectangle& a, const Rectangle& b) {
    return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height &&
           b.y <= a.y + a.height;
}

}  // namespace

class SvgWriter::Impl {
  public:
    Impl(std::shared_ptr<Model::Workspace> ws, const Rectangle& area,
         std::shared_ptr<ColorMap> colors)
        : m_ws(std::move(ws)),
          m_area(area),
          m_dc(std::make_shared<WorkspaceDrawerContext>(m_ws)),
          m_classes(m_dc),
          m_connectors(m_dc) {
        m_dc->set_offset(Point(-area.x, -area.y));
        m_dc->set_color_map(std::move(colors));
        m_dc->set_shows_edit_state(false);
    }

    ~Impl() {
        if (m_writer != nullptr) {
            xmlFreeTextWriter(m_writer);
        }
        if (m_buffer != nullptr) {
            xmlBufferFree(m_buffer);
        }
    }

    bool write(std::string& out, std::string& error) {
        m_buffer = xmlBufferCreate();
        m_writer = m_buffer != nullptr ? xmlNewTextWriterMemory(m_buffer, 0) : nullptr;
        if (m_writer == nullptr) {
            error = "cannot start the XML writer";
            return false;
        }
        xmlTextWriterSetIndent(m_writer, 1);
        xmlTextWriterSetIndentString(m_writer, BAD_CAST " ");
        ok(xmlTextWriterStartDocument(m_writer, "1.0", "UTF-8", nullptr));
        start("svg");
        attr("xmlns", "http://www.w3.org/2000/svg");
        attr("version", "1.1");
        attr("width", num(m_area.width));
        attr("height", num(m_area.height));
        attr("viewBox", num(m_area.x) + ' ' + num(m_area.y) + ' ' + num(m_area.width) + ' ' +
                            num(m_area.height));
        write_style();
        start("rect");
        attr("class", "background");
        attr("x", num(m_area.x));
        attr("y", num(m_area.y));
        attr("width", num(m_area.width));
        attr("height", num(m_area.height));
        end();
        // The order of the PNG: classes, then connectors over them; each in
        // an order the document fixes, so the file is the same every time.
        m_ws->get_element_cells()->foreach_ordered(
            [this](int32_t h, int32_t v, const std::shared_ptr<Model::Element>& elem) {
                if (auto* klass = dynamic_cast<Model::ClassElement*>(elem.get())) {
                    write_class(h, v, *klass);
                }
                return true;
            });
        m_labels = place_connector_labels(*m_ws);
        m_ws->get_connector_set()->foreach_ordered(
            [this](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
                write_connector(*con);
                return true;
            });
        end();
        ok(xmlTextWriterEndDocument(m_writer));
        xmlFreeTextWriter(m_writer);  // flushes into the buffer
        m_writer = nullptr;
        if (m_failed) {
            error = "the XML writer failed";
            return false;
        }
        out.assign(reinterpret_cast<const char*>(xmlBufferContent(m_buffer)),
                   static_cast<size_t>(xmlBufferLength(m_buffer)));
        return true;
    }

  private:
    void ok(int result) {
        if (result < 0) {
            m_failed = true;
        }
    }
    void start(const char* name) { ok(xmlTextWriterStartElement(m_writer, BAD_CAST name)); }
    void end() { ok(xmlTextWriterEndElement(m_writer)); }
    void attr(const char* name, const std::string& value) {
        ok(xmlTextWriterWriteAttribute(m_writer, BAD_CAST name, BAD_CAST value.c_str()));
    }

    // The family the layouts' font resolves to, then the generic family.
    std::string font_css() const {
        std::string family = "sans-serif";
        double px = 16.0;
        Glib::RefPtr<Pango::Layout> layout;
        m_ws->get_element_cells()->foreach_ordered(
            [&](int32_t, int32_t, const std::shared_ptr<Model::Element>& elem) {
                if (auto* klass = dynamic_cast<Model::ClassElement*>(elem.get())) {
                    layout = klass->name_elem->pango_layout;
                }
                return !layout;
            });
        if (layout) {
            const PangoFontDescription* d = pango_layout_get_font_description(layout->gobj());
            Pango::FontDescription desc =
                d != nullptr ? Pango::FontDescription(const_cast<PangoFontDescription*>(d), true)
                             : layout->get_context()->get_font_description();
            if (desc.get_size() > 0) {
                px = desc.get_size() / static_cast<double>(PANGO_SCALE);
                if (!desc.get_size_is_absolute()) {
                    px = px * 96.0 / 72.0;
                }
            }
            Glib::RefPtr<Pango::Font> font = layout->get_context()->load_font(desc);
            if (font) {
                // pangomm's describe() copies pango's description and never frees the original,
                // so ask pango directly and free it here.
                PangoFontDescription* described = pango_font_describe(font->gobj());
                const char* fam = pango_font_description_get_family(described);
                Glib::ustring resolved = fam != nullptr ? fam : "";
                pango_font_description_free(described);
                if (!resolved.empty() &&
                    resolved.find_first_of("\"'\\;{}") == Glib::ustring::npos) {
                    family = "'" + resolved + "', sans-serif";
                }
            }
        }
        return "font-family: " + family + "; font-size: " + num(px) + "px;";
    }

    void write_style() {
        const ColorMap& c = *m_dc->get_color_map();
        // Lines are 1 pixel wide and placed on pixel centres, like the PNG's.
        std::string css = "\n";
        css += ".background { " + css_paint("fill", c.get_background()) + " }\n";
        css += ".class rect { " + css_paint("fill", c.get_element_fill()) + ' ' +
               css_paint("stroke", c.get_element_line()) + " stroke-width: 1; }\n";
        css +=
            ".class line { " + css_paint("stroke", c.get_element_line()) + " stroke-width: 1; }\n";
        css += ".class text { " + font_css() + ' ' + css_paint("fill", c.get_text()) +
               " white-space: pre; }\n";
        css += ".connector polyline { fill: none; " + css_paint("stroke", c.get_element_line()) +
               " stroke-width: 1; stroke-linecap: square; stroke-miterlimit: 10; }\n";
        css += ".connector .end { fill: none; " + css_paint("stroke", c.get_element_line()) +
               " stroke-width: 1; stroke-miterlimit: 10; }\n";
        css +=
            ".connector.dependency polyline, .connector.realization polyline { "
            "stroke-dasharray: 6 4; }\n";
        // The classes' family at the labels' smaller size.
        css += ".connector text { " + font_css() + " font-size: 13px; " +
               css_paint("fill", c.get_text()) + " white-space: pre; }\n";
        css += ".connector .black-diamond { " + css_paint("fill", c.get_element_line()) + " }\n";
        start("style");
        ok(xmlTextWriterWriteString(m_writer, BAD_CAST css.c_str()));
        end();
    }

    void write_class(int32_t h, int32_t v, const Model::ClassElement& klass) {
        const Rectangle cell = m_ws->get_grid()->get_rectangle(h, v);
        if (!rects_meet(cell, m_area)) {
            return;
        }
        const ClassGeometry g = m_classes.get_geometry(cell, klass);
        char id[32];
        std::snprintf(id, sizeof id, "class-0x%08x", klass.get_uid());
        start("g");
        attr("class", "class");
        attr("id", id);
        start("rect");
        attr("x", num(g.outline.x));
        attr("y", num(g.outline.y));
        attr("width", num(g.outline.width));
        attr("height", num(g.outline.height));
        end();
        for (const auto& d : g.dividers) {
            start("line");
            attr("x1", num(d.x0));
            attr("y1", num(d.y));
            attr("x2", num(d.x1));
            attr("y2", num(d.y));
            end();
        }
        klass.foreach_shown_text_elem([&](Model::TextElement& text) {
            write_text(text, g.origin);
            return true;
        });
        end();
    }

    // One text element as the PNG shows its layout: each line a tspan at its
    // baseline, starting where Pango puts the line.
    void write_text(const Model::TextElement& text, const Point& origin) {
        if (!text.pango_layout) {
            return;
        }
        const Rectangle r = text.get_rect();
        const double x0 = origin.x + r.x;
        const double y0 = origin.y + r.y;
        const Glib::ustring all = text.pango_layout->get_text();
        const std::string bytes = all.raw();
        start("text");
        attr("class", text.tag);
        attr("xml:space", "preserve");
        // Inside the text no indentation: it would be text, and shown.
        xmlTextWriterSetIndent(m_writer, 0);
        Pango::LayoutIter iter = text.pango_layout->get_iter();
        bool first = true;
        do {
            Glib::RefPtr<const Pango::LayoutLine> line = iter.get_line();
            Pango::Rectangle ink;
            Pango::Rectangle logical;
            iter.get_line_extents(ink, logical);
            const double x = x0 + logical.get_x() / static_cast<double>(PANGO_SCALE);
            const double y = y0 + iter.get_baseline() / static_cast<double>(PANGO_SCALE);
            if (first) {
                attr("x", num(x));
                attr("y", num(y));
                first = false;
            }
            const int start_index = std::clamp(line->get_start_index(), 0, int(bytes.size()));
            const int length = std::clamp(line->get_length(), 0, int(bytes.size()) - start_index);
            start("tspan");
            attr("x", num(x));
            attr("y", num(y));
            ok(xmlTextWriterWriteString(
                m_writer, BAD_CAST xml_text(bytes.substr(start_index, length)).c_str()));
            end();
        } while (iter.next_line());
        end();
        xmlTextWriterSetIndent(m_writer, 1);
        // The writer leaves the line open after content it did not indent.
        ok(xmlTextWriterWriteRaw(m_writer, BAD_CAST "\n"));
    }

    void write_connector(const Model::AbstractConnectorElement& con) {
        const ConnectorGeometry g = m_connectors.get_geometry(con);
        // The route as one polyline: each segment starts where the one
        // before it ended.
        std::vector<Point> pts;
        for (const auto& [a, b] : g.lines) {
            if (pts.empty() || !(pts.back() == a)) {
                pts.push_back(a);
            }
            pts.push_back(b);
        }
        std::vector<Point> all = pts;
        for (const auto& e : g.ends) {
            for (const auto& piece : e.pieces) {
                all.insert(all.end(), piece.begin(), piece.end());
            }
        }
        if (all.empty()) {
            return;
        }
        // Left out when it lies wholly outside the area, as the PNG clips it.
        Rectangle box(all.front().x, all.front().y, 0, 0);
        for (const Point& p : all) {
            box = box.combine(Rectangle(p.x, p.y, 0, 0));
        }
        if (!rects_meet(box, m_area)) {
            return;
        }
        char id[40];
        std::snprintf(id, sizeof id, "connector-0x%08x", con.get_uid());
        start("g");
        attr("class", "connector " + con.get_serializing_type_name());
        attr("id", id);
        start("polyline");
        attr("points", point_list(pts));
        end();
        for (const auto& e : g.ends) {
            std::string d;
            for (const auto& piece : e.pieces) {
                for (size_t i = 0; i < piece.size(); ++i) {
                    d += (d.empty() ? "" : " ") + std::string(i == 0 ? "M" : "L") +
                         num(piece[i].x) + ',' + num(piece[i].y);
                }
            }
            if (e.closed) {
                d += " Z";
            }
            start("path");
            attr("class", std::string("end ") + e.name);
            attr("d", d);
            end();
        }
        if (auto it = m_labels.find(&con); it != m_labels.end()) {
            static const char* const names[] = {"name", "start", "end"};
            for (const PlacedLabel& label : it->second) {
                start("text");
                attr("class", std::string("label ") + names[static_cast<int>(label.which)]);
                attr("x", num(label.box.x));
                attr("y", num(label.box.y + label.baseline));
                ok(xmlTextWriterWriteString(m_writer, BAD_CAST xml_text(label.text).c_str()));
                end();
            }
        }
        end();
    }

    std::shared_ptr<Model::Workspace> m_ws;
    Rectangle m_area;
    std::shared_ptr<WorkspaceDrawerContext> m_dc;
    // Only for their geometry: the SVG shows what they would paint.
    ClassDrawer m_classes;
    FixedConnectorDrawer m_connectors;
    PlacedLabels m_labels;
    xmlBufferPtr m_buffer = nullptr;
    xmlTextWriterPtr m_writer = nullptr;
    bool m_failed = false;
};

SvgWriter::SvgWriter(std::shared_ptr<Model::Workspace> ws, const Rectangle& area,
                     std::shared_ptr<ColorMap> colors)
    : m_impl(std::make_unique<Impl>(std::move(ws), area, std::move(colors))) {}

SvgWriter::~SvgWriter() = default;

bool SvgWriter::write(std::string& out, std::string& error) {
    return m_impl->write(out, error);
}

}  // namespace View
