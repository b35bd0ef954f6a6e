#include "model/connector_element.hpp"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "model/routing/route.hpp"
#include "model/routing/segment.hpp"

namespace Model {

namespace {

// Decimal with leading blanks, digits up to the first other character, as a
// hand-edited file may have it. Anything that cannot be a cell coordinate
// (no digits, out of 0..65535) reads as -1, which no valid end has.
int32_t parse_coordinate(const std::optional<std::string>& text) {
    if (!text) {
        return -1;
    }
    const char* s = text->c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(s, &end, 10);
    if (end == s || errno == ERANGE || value < 0 || value > CellPos::MAX) {
        return -1;
    }
    return static_cast<int32_t>(value);
}

// A label is one line: line breaks and other control characters, which a
// hand-edited file may hold, read as spaces.
std::string read_label(SerializingReader& reader, const char* attr_name) {
    auto text = reader.get_attribute(attr_name);
    if (!text) {
        return {};
    }
    for (char& ch : *text) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
            ch = ' ';
        }
    }
    return *text;
}

}  // namespace

AbstractConnectorElement::AbstractConnectorElement(std::shared_ptr<ElementContext> elem_context)
    : Element(std::move(elem_context)) {}

AbstractConnectorElement::~AbstractConnectorElement() {
    // The layouter may still hold segments for a moment; they must not point
    // back at a connector that is gone.
    for (const auto& seg : m_segs) {
        seg->connector = nullptr;
    }
}

void AbstractConnectorElement::layout(const Rectangle&) {}

const std::string& AbstractConnectorElement::get_label(ConnectorLabel which) const {
    return m_labels[static_cast<int>(which)];
}

void AbstractConnectorElement::set_label(ConnectorLabel which, std::string text) {
    m_labels[static_cast<int>(which)] = std::move(text);
}

bool AbstractConnectorElement::has_labels() const {
    return !m_labels[0].empty() || !m_labels[1].empty() || !m_labels[2].empty();
}

void AbstractConnectorElement::update_route(const Route& route) {
    start_pos = route.start;
    end_pos = route.goal;
    route_search_area = route.searched;
    for (const auto& seg : m_segs) {
        // Someone may still hold an old segment (the layouter, until the
        // workspace takes it out); its neighbours die with this list.
        seg->connector = nullptr;
        seg->prev = nullptr;
        seg->next = nullptr;
    }
    m_segs = route.new_segments();
    if (m_segs.empty()) {
        return;
    }
    Segment& first = *m_segs.front();
    first.start_elem = start_elem;
    first.start_term = start_term;
    Segment& last = *m_segs.back();
    last.end_elem = end_elem;
    last.end_term = end_term;
    for (const auto& seg : m_segs) {
        seg->connector = this;
    }
}

bool AbstractConnectorElement::get_is_laid_out() const {
    for (const auto& seg : m_segs) {
        if (!seg->is_laid_out) {
            return false;
        }
    }
    return true;
}

void AbstractConnectorElement::set_is_laid_out(bool value) {
    for (const auto& seg : m_segs) {
        seg->is_laid_out = value;
    }
    m_signal_is_laid_out_changed.emit();
}

std::optional<StartOrEnd> AbstractConnectorElement::get_start_or_end_at(const CellPos& pos) const {
    if (pos == start_pos) {
        return StartOrEnd::START;
    }
    if (pos == end_pos) {
        return StartOrEnd::END;
    }
    return std::nullopt;
}

MovingDir AbstractConnectorElement::get_udlr_from_term(StartOrEnd se) const {
    if (!m_segs.empty()) {
        if (se == StartOrEnd::START) {
            return m_segs.front()->get_udlr();
        }
        if (se == StartOrEnd::END) {
            return inv(m_segs.back()->get_udlr());
        }
    }
    LX_WARNING("The argument 'se' is invalid or the property 'segs' is empty");
    return MovingDir::UP;
}

double AbstractConnectorElement::get_pos_at_term(StartOrEnd se) const {
    if (!m_segs.empty()) {
        if (se == StartOrEnd::START) {
            return m_segs.front()->get_pos();
        }
        if (se == StartOrEnd::END) {
            return m_segs.back()->get_pos();
        }
    }
    LX_WARNING("The argument 'se' is invalid or the property 'segs' is empty");
    return 0.0;
}

bool AbstractConnectorElement::write_term(SerializingWriter& writer, const char* name,
                                          const CellPos& pos) const {
    LX_RETURN_VAL_IF_FAIL(name != nullptr, false);
    // The writer answers true for an error.
    bool failed = writer.start_element(name);
    failed = writer.write_attribute("h", std::to_string(pos.h)) || failed;
    failed = writer.write_attribute("v", std::to_string(pos.v)) || failed;
    // The end's label rides on the end it belongs to. Attributes, not child
    // elements: older readers pass over unknown attributes, and a document
    // without labels stays exactly as it was.
    const std::string& label =
        get_label(std::string(name) == "start" ? ConnectorLabel::START : ConnectorLabel::END);
    if (!label.empty()) {
        failed = writer.write_attribute("label", label) || failed;
    }
    failed = writer.end_element() || failed;
    return !failed;
}

CellPos AbstractConnectorElement::read_term(SerializingReader& reader) const {
    return CellPos(parse_coordinate(reader.get_attribute("h")),
                   parse_coordinate(reader.get_attribute("v")));
}

bool AbstractConnectorElement::write(SerializingWriter& writer) {
    bool ok = !writer.start_element("connector");
    ok = Element::write(writer) && ok;
    ok = !writer.write_attribute("type", get_serializing_type_name()) && ok;
    if (const std::string& label = get_label(ConnectorLabel::NAME); !label.empty()) {
        ok = !writer.write_attribute("name", label) && ok;
    }
    ok = write_term(writer, "start", start_pos) && ok;
    ok = write_term(writer, "end", end_pos) && ok;
    ok = !writer.end_element() && ok;
    return ok;
}

bool AbstractConnectorElement::read(SerializingReader& reader) {
    if (!reader.skip_to_element("connector")) {
        return false;
    }
    Element::read(reader);
    set_label(ConnectorLabel::NAME, read_label(reader, "name"));
    bool has_start = false;
    bool has_end = false;
    reader.foreach_subtree([&]() {
        if (!reader.is_start_element()) {
            return true;
        }
        const std::string name = reader.get_name();
        if (name == "start") {
            start_pos = read_term(reader);
            set_label(ConnectorLabel::START, read_label(reader, "label"));
            has_start = true;
        } else if (name == "end") {
            end_pos = read_term(reader);
            set_label(ConnectorLabel::END, read_label(reader, "label"));
            has_end = true;
        }
        return true;
    });
    // Without both ends in range there is nothing to route between.
    return has_start && has_end && start_pos.is_valid() && end_pos.is_valid();
}

AssociationConnectorElement::AssociationConnectorElement(
    std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {}

DependencyConnectorElement::DependencyConnectorElement(std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {
    end_term = std::make_shared<OpenArrowConnectorTerm>();
}

AggregationConnectorElement::AggregationConnectorElement(
    std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {
    start_term = std::make_shared<WhiteDiamondConnectorTerm>();
    end_term = std::make_shared<OpenArrowConnectorTerm>();
}

CompositionConnectorElement::CompositionConnectorElement(
    std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {
    start_term = std::make_shared<BlackDiamondConnectorTerm>();
    end_term = std::make_shared<OpenArrowConnectorTerm>();
}

GeneralizationConnectorElement::GeneralizationConnectorElement(
    std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {
    end_term = std::make_shared<WhiteArrowConnectorTerm>();
}

RealizationConnectorElement::RealizationConnectorElement(
    std::shared_ptr<ElementContext> elem_context)
    : AbstractConnectorElement(std::move(elem_context)) {
    end_term = std::make_shared<WhiteArrowConnectorTerm>();
}

std::shared_ptr<AbstractConnectorElement> new_connector_element(
    const std::string& type_name, std::shared_ptr<ElementContext> elem_context) {
    if (type_name == "association") {
        return std::make_shared<AssociationConnectorElement>(std::move(elem_context));
    }
    if (type_name == "dependency") {
        return std::make_shared<DependencyConnectorElement>(std::move(elem_context));
    }
    if (type_name == "aggregation") {
        return std::make_shared<AggregationConnectorElement>(std::move(elem_context));
    }
    if (type_name == "composition") {
        return std::make_shared<CompositionConnectorElement>(std::move(elem_context));
    }
    if (type_name == "generalization") {
        return std::make_shared<GeneralizationConnectorElement>(std::move(elem_context));
    }
    if (type_name == "realization") {
        return std::make_shared<RealizationConnectorElement>(std::move(elem_context));
    }
    return nullptr;
}

}  // namespace Model
