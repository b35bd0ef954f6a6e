#include "model/element_cells.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/log.hpp"
#include "model/class_element.hpp"

namespace Model {

namespace {

// A decimal cell index: leading whitespace, then digits up to the first
// other character. Anything outside the table's 0 .. 65535 is refused.
std::optional<int32_t> parse_index(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text->c_str(), &end, 10);
    if (end == text->c_str() || errno != 0 || value < 0 || value > CellPos::MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

ElementCells::ElementCells(std::shared_ptr<ElementContext> elem_context)
    : m_elem_context(std::move(elem_context)) {
    if (m_elem_context == nullptr) {
        LX_CRITICAL("ElementCells: assertion 'elem_context != NULL' failed");
        m_elem_context = ElementContext::create();
    }
}

double ElementCells::get_max_width_at_col(int32_t h) const {
    double max = 0.0;
    foreach_col(h, [&max](int32_t, int32_t, const std::shared_ptr<Element>& elem) {
        max = std::max(max, elem->get_rect().width);
        return true;
    });
    return max;
}

double ElementCells::get_max_height_at_row(int32_t v) const {
    double max = 0.0;
    foreach_row(v, [&max](int32_t, int32_t, const std::shared_ptr<Element>& elem) {
        max = std::max(max, elem->get_rect().height);
        return true;
    });
    return max;
}

bool ElementCells::foreach_ordered(const ElemFn& fn) const {
    struct PosElementPair {
        int32_t h;
        int32_t v;
        std::shared_ptr<Element> elem;
    };
    std::vector<PosElementPair> pairs;
    foreach ([&pairs](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        if (elem != nullptr) {
            pairs.push_back(PosElementPair{h, v, elem});
        }
        return true;
    })
        ;
    // Equal uids (possible only through set_uid) fall back on the cell, so
    // that the order never depends on the table's hashing.
    std::sort(pairs.begin(), pairs.end(), [](const PosElementPair& a, const PosElementPair& b) {
        const int by_uid = Element::cmp_uid(*a.elem, *b.elem);
        if (by_uid != 0) {
            return by_uid < 0;
        }
        return a.v != b.v ? a.v < b.v : a.h < b.h;
    });
    bool result = true;
    for (const PosElementPair& p : pairs) {
        result = fn(p.h, p.v, p.elem);
        if (!result) {
            break;
        }
    }
    return result;
}

bool ElementCells::write(SerializingWriter& writer) {
    bool ok = !writer.start_element("element_cells");
    foreach_ordered([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        ok &= !writer.start_element("cell");
        ok &= !writer.write_attribute("h", std::to_string(h));
        ok &= !writer.write_attribute("v", std::to_string(v));
        ok &= elem->write(writer);
        ok &= !writer.end_element();
        return true;
    });
    ok &= !writer.end_element();
    return ok;
}

bool ElementCells::read(SerializingReader& reader) {
    if (!reader.skip_to_element("element_cells")) {
        return false;
    }
    bool ok = reader.foreach_subtree([this, &reader]() {
        if (!reader.is_start_element() || reader.get_name() != "cell") {
            return true;
        }
        auto h = parse_index(reader.get_attribute("h"));
        auto v = parse_index(reader.get_attribute("v"));
        auto elem = read_elem(reader);
        if (!h || !v) {
            LX_DEBUG("skipped a cell without a valid position");
            return true;
        }
        if (elem != nullptr) {
            set(*h, *v, elem);
        }
        return true;
    });
    return ok && !reader.has_error();
}

std::shared_ptr<Element> ElementCells::read_elem(SerializingReader& reader) {
    std::shared_ptr<Element> elem;
    reader.foreach_subtree([this, &reader, &elem]() {
        if (elem == nullptr && reader.is_start_element() && reader.get_name() == "class") {
            auto cls = std::make_shared<ClassElement>(m_elem_context);
            cls->read(reader);
            elem = cls;
        }
        return true;
    });
    return elem;
}

}  // namespace Model
