#include "model/element.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/log.hpp"

namespace Model {

Element::Element(std::shared_ptr<ElementContext> elem_context)
    : m_elem_context(std::move(elem_context)) {
    if (m_elem_context == nullptr) {
        LX_CRITICAL("Element: assertion 'elem_context != NULL' failed");
        m_elem_context = ElementContext::create();
    }
    m_uid = m_elem_context->get_uid_generator().new_uid();
}

void Element::set_uid(uint32_t uid) {
    UniqueIdGenerator& gen = m_elem_context->get_uid_generator();
    gen.delete_uid(m_uid);
    gen.invalidate_uid(uid);
    m_uid = uid;
    m_signal_uid_changed.emit();
}

int Element::cmp_uid(const Element& a, const Element& b) {
    if (a.m_uid < b.m_uid) {
        return -1;
    }
    return a.m_uid > b.m_uid ? 1 : 0;
}

bool Element::write(SerializingWriter& writer) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", m_uid);
    return !writer.write_attribute("uid", buf);
}

bool Element::read(SerializingReader& reader) {
    uint32_t uid = 0;
    if (auto text = reader.get_attribute("uid")) {
        // strtoull reads "0x" as hex and a leading 0 as octal; the value is
        // kept to its low 32 bits.
        uid = static_cast<uint32_t>(std::strtoull(text->c_str(), nullptr, 0));
    }
    set_uid(uid);
    return true;
}

void Element::relate(const std::shared_ptr<Element>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (m_relations == nullptr) {
        m_relations = std::make_unique<std::unordered_set<std::shared_ptr<Element>>>();
    }
    m_relations->insert(elem);
}

void Element::disrelate(const std::shared_ptr<Element>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (m_relations != nullptr) {
        m_relations->erase(elem);
    }
}

bool Element::foreach_relations(
    const std::function<bool(const std::shared_ptr<Element>&)>& fn) const {
    if (m_relations == nullptr) {
        return true;
    }
    bool result = true;
    for (const auto& elem : *m_relations) {
        result = fn(elem);
        if (!result) {
            break;
        }
    }
    return result;
}

}  // namespace Model
