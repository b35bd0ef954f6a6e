#include "render/drawers/connector_drawers.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "common/log.hpp"
#include "model/connector_element.hpp"
#include "model/connector_terms.hpp"
#include "model/connectors.hpp"
#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"
#include "render/connector_labels.hpp"
#include "render/drawers/pixel_mask.hpp"

namespace View {

namespace {

void add_polygon(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Point>& points) {
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0) {
            cr->move_to(points[i].x, points[i].y);
        } else {
            cr->line_to(points[i].x, points[i].y);
        }
    }
    if (!points.empty()) {
        cr->close_path();
    }
}

}  // namespace

ConnectorDrawerBase::ConnectorDrawerBase(std::shared_ptr<WorkspaceDrawerContext> dc)
    : Drawer(std::move(dc)) {
    m_end_drawers[typeid(Model::WhiteArrowConnectorTerm)] =
        std::make_shared<WhiteArrowConnectorEndDrawer>();
    m_end_drawers[typeid(Model::OpenArrowConnectorTerm)] =
        std::make_shared<OpenArrowConnectorEndDrawer>();
    m_end_drawers[typeid(Model::WhiteDiamondConnectorTerm)] =
        std::make_shared<WhiteDiamondConnectorEndDrawer>();
    m_end_drawers[typeid(Model::BlackDiamondConnectorTerm)] =
        std::make_shared<BlackDiamondConnectorEndDrawer>();
}

WorkspaceDrawerContext& ConnectorDrawerBase::wdc() const {
    return static_cast<WorkspaceDrawerContext&>(*m_dc);
}

ConnectorGeometry ConnectorDrawerBase::get_geometry(
    const Model::AbstractConnectorElement& connector) const {
    ConnectorGeometry g;
    g.highlighted = connector.is_selected && m_dc->get_shows_edit_state();
    g.line_width = (g.highlighted ? 2.0 : 1.0) * m_dc->get_line_unit();
    g.dashed = connector.is_dashed();
    const Model::Grid& grid = wdc().get_grid();
    const Model::GridList& hl = grid.get(CellDir::H);
    const Model::GridList& vl = grid.get(CellDir::V);
    if (connector.get_segments().empty()) {
        // The connector being drawn has no route while its loose end rests
        // on its start class; it shows nothing then, not even decorations
        // left where an earlier route put them.
        if (connector.start_elem && connector.end_elem &&
            connector.start_pos != connector.end_pos) {
            g.unrouted = true;
            g.lines.push_back(box_to_box(grid, connector));
        }
        return g;
    }
    const auto& segs = connector.get_segments();
    std::vector<std::pair<Point, Point>> raw;
    raw.reserve(segs.size());
    for (const auto& seg : segs) {
        raw.emplace_back(Point(hl.get(seg->start.h - 1) + seg->start_point.x,
                               vl.get(seg->start.v - 1) + seg->start_point.y),
                         Point(hl.get(seg->end.h - 1) + seg->end_point.x,
                               vl.get(seg->end.v - 1) + seg->end_point.y));
    }
    // A decoration takes at most the length of the segment it sits on, and
    // on a single segment with two decorations each takes at most half; the
    // line then starts where the shortened decoration ends instead of
    // doubling back under it.
    const Model::IConnectorTerm* terms[2] = {connector.start_term.get(), connector.end_term.get()};
    const CellPos term_cells[2] = {connector.start_pos, connector.end_pos};
    Point edges[2];
    for (int i = 0; i < 2; i++) {
        if (terms[i] != nullptr) {
            edges[i] = terms[i]->get_term_point();
            edges[i].add(grid.get_top_left_point(term_cells[i]));
        }
    }
    double scales[2] = {1.0, 1.0};
    for (int i = 0; i < 2; i++) {
        if (terms[i] == nullptr) {
            continue;
        }
        Point& near = i == 0 ? raw.front().first : raw.back().second;
        Point far = i == 0 ? raw.front().second : raw.back().first;
        if (segs.size() == 1) {
            if (terms[1 - i] != nullptr) {
                far = Point((edges[0].x + edges[1].x) / 2.0, (edges[0].y + edges[1].y) / 2.0);
            } else {
                far = i == 0 ? raw.front().second : raw.front().first;
            }
        }
        const Point& e = edges[i];
        const double room = std::max(0.0, std::abs(far.x - e.x) + std::abs(far.y - e.y));
        const double length = terms[i]->get_height_at_upper();
        if (length > room && length > 0.0) {
            scales[i] = room / length;
        }
        const double setback = std::min<double>(terms[i]->get_seg_term_setback(), room);
        if (room > 0.0) {
            near =
                Point(e.x + (far.x - e.x) / room * setback, e.y + (far.y - e.y) / room * setback);
        } else {
            near = e;
        }
    }
    // Segment points are offsets inside their cells; the cell's top-left
    // corner is the far edge of the line before it. The layout places them
    // anywhere between pixels; snapped, the orthogonal pieces cover whole
    // pixels.
    for (const auto& [a, b] : raw) {
        g.lines.emplace_back(m_dc->snap_line_point(a, g.line_width),
                             m_dc->snap_line_point(b, g.line_width));
    }
    for (int i = 0; i < 2; i++) {
        if (terms[i] == nullptr) {
            continue;
        }
        if (auto shape = end_shape(*terms[i], grid.get_top_left_point(term_cells[i]), g.line_width,
                                   scales[i])) {
            g.ends.push_back(std::move(*shape));
        }
    }
    return g;
}

namespace {

// Where the line from the middle of box toward other leaves box.
Point leave_box(const Rectangle& box, const Point& other) {
    const Point c(box.x + box.width / 2.0, box.y + box.height / 2.0);
    const double dx = other.x - c.x;
    const double dy = other.y - c.y;
    double t = 1.0;
    if (dx != 0.0) {
        t = std::min(t, box.width / 2.0 / std::abs(dx));
    }
    if (dy != 0.0) {
        t = std::min(t, box.height / 2.0 / std::abs(dy));
    }
    return Point(c.x + t * dx, c.y + t * dy);
}

Rectangle box_in_document(const Model::Grid& grid, const Model::Element& elem, const CellPos& pos) {
    const Point origin = grid.get_top_left_point(pos);
    Rectangle r = elem.get_rect();
    return Rectangle(origin.x + r.x, origin.y + r.y, r.width, r.height);
}

}  // namespace

std::pair<Point, Point> ConnectorDrawerBase::box_to_box(
    const Model::Grid& grid, const Model::AbstractConnectorElement& connector) const {
    const Rectangle a = box_in_document(grid, *connector.start_elem, connector.start_pos);
    const Rectangle b = box_in_document(grid, *connector.end_elem, connector.end_pos);
    const Point ca(a.x + a.width / 2.0, a.y + a.height / 2.0);
    const Point cb(b.x + b.width / 2.0, b.y + b.height / 2.0);
    return {leave_box(a, cb), leave_box(b, ca)};
}

std::optional<ConnectorEndShape> ConnectorDrawerBase::end_shape(
    const Model::IConnectorTerm& con_term, const Point& offset, double line_width,
    double scale) const {
    auto it = m_end_drawers.find(typeid(con_term));
    if (it == m_end_drawers.end()) {
        return std::nullopt;
    }
    Point end_pt = con_term.get_term_point();
    end_pt.add(offset);
    // Snapped like the line's vertices, so the decoration's axis stays on
    // the line and its straight edges cover whole pixels.
    end_pt = m_dc->snap_line_point(end_pt, line_width);
    return it->second->shape(con_term.get_width_at_upper() * scale,
                             con_term.get_height_at_upper() * scale, end_pt, con_term.get_udlr());
}

Rectangle ConnectorGeometry::get_bounds() const {
    bool any = false;
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;
    auto add = [&](const Point& p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
        }
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    };
    for (const auto& [a, b] : lines) {
        add(a);
        add(b);
    }
    for (const auto& e : ends) {
        for (const auto& piece : e.pieces) {
            for (const Point& p : piece) {
                add(p);
            }
        }
    }
    if (!any) {
        return Rectangle();
    }
    // Square caps and miters reach beyond the points by up to a few widths.
    const double m = 2.0 * line_width;
    return Rectangle(x0 - m, y0 - m, x1 - x0 + 2.0 * m, y1 - y0 + 2.0 * m);
}

void ConnectorDrawerBase::draw_connector(Model::AbstractConnectorElement& connector) {
    if (!can_draw()) {
        return;
    }
    draw_geometry(get_geometry(connector));
}

void ConnectorDrawerBase::draw_geometry(const ConnectorGeometry& g) {
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    const ColorMap& colors = *m_dc->get_color_map();
    cr->save();
    set_source_rgba(cr, g.highlighted || g.unrouted ? colors.get_active_connector_line()
                                                    : colors.get_element_line());
    cr->set_line_width(g.line_width);
    if (g.unrouted || g.dashed) {
        const double u = m_dc->get_line_unit();
        cr->set_dash(std::vector<double>{6.0 * u, 4.0 * u}, 0.0);
    }
    // A dashed route is one path, so the dashes run on around its corners
    // instead of starting afresh on every segment.
    for (size_t i = 0; i < g.lines.size(); ++i) {
        const auto& [a, b] = g.lines[i];
        if (i == 0 || !g.dashed || !(g.lines[i - 1].second == a)) {
            cr->move_to(a.x, a.y);
        }
        cr->line_to(b.x, b.y);
    }
    // Square caps fill the pixel where two pieces meet and the one at
    // either end. Not for the decorations: square ends would overshoot their
    // tips.
    const Cairo::LineCap cap = cr->get_line_cap();
    cr->set_line_cap(Cairo::LINE_CAP_SQUARE);
    cr->stroke();
    cr->set_line_cap(cap);
    // Still inside the saved state, so the ends share the line's colour and
    // width; their outlines are solid.
    cr->unset_dash();
    for (const auto& end : g.ends) {
        paint_end_shape(cr, end);
    }
    cr->restore();
}

void ConnectorDrawerBase::draw_connector_term(const Model::IConnectorTerm& con_term,
                                              const Point& offset) {
    if (!can_draw()) {
        return;
    }
    if (auto s = end_shape(con_term, offset, m_dc->get_cr()->get_line_width())) {
        paint_end_shape(m_dc->get_cr(), *s);
    }
}

FloatingConnectorDrawer::FloatingConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc)
    : ConnectorDrawerBase(std::move(dc)) {}

void FloatingConnectorDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    const auto& con = wdc().get_ws()->get_floating_connector();
    if (con) {
        draw_connector(*con);
    }
}

FixedConnectorDrawer::FixedConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc,
                                           std::shared_ptr<HeldConnectors> held)
    : ConnectorDrawerBase(std::move(dc)), m_held(std::move(held)) {}

void FixedConnectorDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    // In uid order, so where connectors cross the same one is on top on
    // every frame and in every export. One wholly outside the region would
    // paint nothing: skipping it saves the stroking, which counts when an
    // export paints a large image band by band.
    const Cairo::RectangleInt ext = update_region->get_extents();
    const Rectangle area(ext.x, ext.y, ext.width, ext.height);
    // A view zoomed out too far for texts shows many connectors, each a few
    // pixels long: those in the plain line colour go out as one path per
    // kind of stroke, which costs a fraction of a stroke each. Only where
    // two overlap can their edge pixels differ, and only on the screen.
    const bool batched = !m_dc->get_draws_texts();
    std::vector<ConnectorGeometry> plain;
    std::vector<ConnectorGeometry> highlighted;
    auto consider = [&](auto&& g) {
        if (g.get_bounds().is_intersect(area)) {
            // Dashes cannot go out as filled rectangles.
            if (!batched || g.dashed) {
                draw_geometry(g);
            } else {
                (g.highlighted ? highlighted : plain).push_back(std::forward<decltype(g)>(g));
            }
        }
    };
    const auto& connectors = *wdc().get_ws()->get_connector_set();
    if (m_held) {
        if (!m_held->geometries_ready) {
            connectors.foreach_ordered(
                [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
                    m_held->geometries.push_back(get_geometry(*con));
                    return true;
                });
            m_held->geometries_ready = true;
        }
        for (const ConnectorGeometry& g : m_held->geometries) {
            consider(g);
        }
    } else {
        connectors.foreach_ordered(
            [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
                consider(get_geometry(*con));
                return true;
            });
    }
    if (!plain.empty()) {
        draw_batch(plain);
    }
    for (const auto& g : highlighted) {
        draw_geometry(g);
    }
    if (m_dc->get_draws_texts()) {
        draw_labels(area);
    }
}

void FixedConnectorDrawer::draw_labels(const Rectangle& area) {
    const auto& ws = wdc().get_ws();
    // An export paints band after band of one unchanging document, and the
    // screen paints frame after frame, mostly of the same one: the labels
    // are placed again only when what they are placed by has changed, and
    // then mostly kept where nothing around them did. An export places them
    // once for all its bands.
    if (m_held && !m_held->labels_ready) {
        m_held->labels = place_connector_labels(*ws);
        m_held->labels_ready = true;
    }
    const PlacedLabels& placed = m_held ? m_held->labels : m_labels.place(*ws);
    if (placed.empty()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    set_source_rgba(cr, m_dc->get_color_map()->get_text());
    // Bounded, should a diagram carry countless distinct texts.
    constexpr size_t MOST_LAYOUTS = 4096;
    for (const auto& [con, labels] : placed) {
        for (const auto& label : labels) {
            if (label.box.is_intersect(area)) {
                auto it = m_label_layouts.find(label.text);
                if (it == m_label_layouts.end()) {
                    if (m_label_layouts.size() >= MOST_LAYOUTS) {
                        m_label_layouts.clear();
                    }
                    it = m_label_layouts.emplace(label.text, new_label_layout(*ws, label.text))
                             .first;
                }
                const Glib::RefPtr<Pango::Layout>& layout = it->second;
                cr->move_to(label.box.x, label.box.y);
                layout->show_in_cairo_context(cr);
            }
        }
    }
    cr->restore();
}

void FixedConnectorDrawer::draw_batch(const std::vector<ConnectorGeometry>& geometries) {
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    set_source_rgba(cr, m_dc->get_color_map()->get_element_line());
    const double w = m_dc->get_line_unit();
    cr->set_line_width(w);
    // A square-capped orthogonal line covers exactly the rectangle around
    // it, on whole pixels as the points are snapped; cairo fills rectangles
    // far faster than it strokes lines. Anything slanted is stroked after
    // them.
    std::vector<Rectangle> rectangles;
    std::vector<std::pair<Point, Point>> slanted;
    for (const auto& g : geometries) {
        for (const auto& [a, b] : g.lines) {
            if (a.x != b.x && a.y != b.y) {
                slanted.emplace_back(a, b);
                continue;
            }
            rectangles.emplace_back(std::min(a.x, b.x) - w / 2, std::min(a.y, b.y) - w / 2,
                                    std::abs(b.x - a.x) + w, std::abs(b.y - a.y) + w);
        }
    }
    fill_pixel_rectangles(cr, rectangles);
    cr->set_line_cap(Cairo::LINE_CAP_SQUARE);
    for (const auto& [a, b] : slanted) {
        cr->move_to(a.x, a.y);
        cr->line_to(b.x, b.y);
    }
    cr->stroke();
    cr->set_line_cap(Cairo::LINE_CAP_BUTT);
    // The decorations are a few pixels here, too small to tell hollow from
    // solid or an open arrow from a closed one: each is filled as the shape
    // its outline encloses, all in one fill. An open outline (an arrow's two
    // strokes from the tip) encloses the polygon through its first piece and
    // the far end of each other piece.
    for (const auto& g : geometries) {
        for (const auto& e : g.ends) {
            if (e.closed) {
                for (const auto& piece : e.pieces) {
                    add_polygon(cr, piece);
                }
            } else if (!e.pieces.empty()) {
                std::vector<Point> outline = e.pieces.front();
                for (size_t i = 1; i < e.pieces.size(); ++i) {
                    if (!e.pieces[i].empty()) {
                        outline.push_back(e.pieces[i].back());
                    }
                }
                add_polygon(cr, outline);
            }
        }
    }
    cr->fill();
    cr->restore();
}

}  // namespace View
