#include "render/drawers/connector_drawers.hpp"

#include <utility>

#include "common/log.hpp"
#include "model/connector_element.hpp"
#include "model/connector_terms.hpp"
#include "model/connectors.hpp"
#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"

namespace View {

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

void ConnectorDrawerBase::draw_connector(Model::AbstractConnectorElement& connector) {
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    const ColorMap& colors = *m_dc->get_color_map();
    const Model::Grid& grid = wdc().get_grid();
    const Model::GridList& hl = grid.get(CellDir::H);
    const Model::GridList& vl = grid.get(CellDir::V);
    cr->save();
    if (connector.is_selected) {
        set_source_rgba(cr, colors.get_active_connector_line());
        cr->set_line_width(2.0);
    } else {
        set_source_rgba(cr, colors.get_element_line());
        cr->set_line_width(1.0);
    }
    // Segment points are offsets inside their cells; the cell's top-left
    // corner is the far edge of the line before it. The layout places them
    // anywhere between pixels; snapped, the orthogonal pieces cover whole
    // pixels, and square caps fill the pixel where two pieces meet and the
    // one at either end.
    const double lw = cr->get_line_width();
    for (const auto& seg : connector.get_segments()) {
        Point a = m_dc->snap_line_point(Point(hl.get(seg->start.h - 1) + seg->start_point.x,
                                              vl.get(seg->start.v - 1) + seg->start_point.y),
                                        lw);
        Point b = m_dc->snap_line_point(Point(hl.get(seg->end.h - 1) + seg->end_point.x,
                                              vl.get(seg->end.v - 1) + seg->end_point.y),
                                        lw);
        cr->move_to(a.x, a.y);
        cr->line_to(b.x, b.y);
    }
    // Not for the decorations: square ends would overshoot their tips.
    const Cairo::LineCap cap = cr->get_line_cap();
    cr->set_line_cap(Cairo::LINE_CAP_SQUARE);
    cr->stroke();
    cr->set_line_cap(cap);
    // Still inside the saved state, so the ends share the line's colour and
    // width.
    if (connector.start_term) {
        draw_connector_term(*connector.start_term, grid.get_top_left_point(connector.start_pos));
    }
    if (connector.end_term) {
        draw_connector_term(*connector.end_term, grid.get_top_left_point(connector.end_pos));
    }
    cr->restore();
}

void ConnectorDrawerBase::draw_connector_term(const Model::IConnectorTerm& con_term,
                                              const Point& offset) {
    auto it = m_end_drawers.find(typeid(con_term));
    if (it == m_end_drawers.end() || !can_draw()) {
        return;
    }
    Point end_pt = con_term.get_term_point();
    end_pt.add(offset);
    // Snapped like the line's vertices, so the decoration's axis stays on
    // the line and its straight edges cover whole pixels.
    end_pt = m_dc->snap_line_point(end_pt, m_dc->get_cr()->get_line_width());
    it->second->draw(*m_dc, con_term.get_width_at_upper(), con_term.get_height_at_upper(), end_pt,
                     con_term.get_udlr());
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

FixedConnectorDrawer::FixedConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc)
    : ConnectorDrawerBase(std::move(dc)) {}

void FixedConnectorDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    // In uid order, so where connectors cross the same one is on top on
    // every frame and in every export.
    wdc().get_ws()->get_connector_set()->foreach_ordered(
        [this](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            draw_connector(*con);
            return true;
        });
}

}  // namespace View
