#include "common/serializing.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include "common/log.hpp"

namespace {

// The document never needs anything from outside itself, so every request
// for an external entity or DTD is refused, whatever the parser options.
xmlParserInputPtr refuse_external_entity(const char* url, const char*, xmlParserCtxtPtr) {
    LX_DEBUG("refused to load external entity '%s'", url != nullptr ? url : "(null)");
    return nullptr;
}

void log_xml_error(void*, xmlErrorPtr error) {
    if (error != nullptr && error->message != nullptr) {
        LX_DEBUG("xml: line %d: %s", error->line, g_strchomp(error->message));
    }
}

void ensure_xml_defaults() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    xmlInitParser();
    xmlSetExternalEntityLoader(refuse_external_entity);
    // libxml2 prints to stderr by default; diagnostics go to the log instead.
    xmlSetStructuredErrorFunc(nullptr, log_xml_error);
}

// No entity substitution, no DTD loading or defaulting, no network, and the
// parser's default limits on depth and text size (no XML_PARSE_HUGE).
constexpr int READER_OPTIONS = XML_PARSE_NONET;

// XML 1.0 can carry neither invalid UTF-8 nor most control characters; a
// file holding them would not read back, so they become U+FFFD.
std::string make_xml_safe(const std::string& s) {
    gchar* valid = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
    std::string out;
    out.reserve(s.size());
    for (const gchar* p = valid; *p != '\0'; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                       (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (allowed) {
            out.append(p, g_utf8_next_char(p) - p);
        } else {
            out.append("\xEF\xBF\xBD");
        }
    }
    g_free(valid);
    return out;
}

const xmlChar* X(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string take_xml_string(xmlChar* s) {
    if (s == nullptr) {
        return std::string();
    }
    std::string out(reinterpret_cast<const char*>(s));
    xmlFree(s);
    return out;
}

}  // namespace

// ---- SerializingWriter --------------------------------------------------------

SerializingWriter::SerializingWriter(const std::string& path, int compression) {
    ensure_xml_defaults();
    m_target_path = path;
    // Write beside the target, through a symlink to the file it names, so
    // that the final rename stays on one file system.
    if (char* real = realpath(path.c_str(), nullptr)) {
        m_target_path = real;
        free(real);
    }
    std::string tmpl = m_target_path + ".XXXXXX";
    int fd = g_mkstemp_full(tmpl.data(), O_RDWR, 0666);
    if (fd < 0) {
        LX_DEBUG("cannot create a file beside '%s': %s", path.c_str(), g_strerror(errno));
        m_failed = true;
        return;
    }
    // A replaced file keeps its permissions.
    struct stat st;
    if (stat(m_target_path.c_str(), &st) == 0) {
        fchmod(fd, st.st_mode & 07777);
    }
    close(fd);
    m_temp_path = tmpl;
    m_writer = xmlNewTextWriterFilename(m_temp_path.c_str(), compression);
    if (m_writer == nullptr) {
        m_failed = true;
        g_remove(m_temp_path.c_str());
        m_temp_path.clear();
        return;
    }
    check(xmlTextWriterSetIndent(m_writer, 1));
    check(xmlTextWriterStartDocument(m_writer, "1.0", "UTF-8", nullptr));
}

std::unique_ptr<SerializingWriter> SerializingWriter::to_memory() {
    ensure_xml_defaults();
    std::unique_ptr<SerializingWriter> w(new SerializingWriter());
    w->m_buffer = xmlBufferCreate();
    if (w->m_buffer != nullptr) {
        w->m_writer = xmlNewTextWriterMemory(w->m_buffer, 0);
    }
    if (w->m_writer == nullptr) {
        w->m_failed = true;
        return w;
    }
    w->check(xmlTextWriterSetIndent(w->m_writer, 1));
    w->check(xmlTextWriterStartDocument(w->m_writer, "1.0", "UTF-8", nullptr));
    return w;
}

SerializingWriter::~SerializingWriter() {
    finish();
    if (m_buffer != nullptr) {
        xmlBufferFree(m_buffer);
    }
}

bool SerializingWriter::check(int result) {
    if (result < 0) {
        m_failed = true;
        return true;
    }
    return false;
}

bool SerializingWriter::start_element(const std::string& name) {
    if (m_writer == nullptr) {
        return true;
    }
    return check(xmlTextWriterStartElement(m_writer, X(name)));
}

bool SerializingWriter::end_element() {
    if (m_writer == nullptr) {
        return true;
    }
    return check(xmlTextWriterEndElement(m_writer));
}

bool SerializingWriter::write_attribute(const std::string& name, const std::string& content) {
    if (m_writer == nullptr) {
        return true;
    }
    return check(xmlTextWriterWriteAttribute(m_writer, X(name), X(make_xml_safe(content))));
}

bool SerializingWriter::write_text(const std::string& content) {
    if (m_writer == nullptr) {
        return true;
    }
    return check(xmlTextWriterWriteString(m_writer, X(make_xml_safe(content))));
}

void SerializingWriter::finish() {
    if (m_writer == nullptr) {
        return;
    }
    check(xmlTextWriterEndDocument(m_writer));
    check(xmlTextWriterFlush(m_writer));
    close_file();
}

void SerializingWriter::close_file() {
    xmlFreeTextWriter(m_writer);
    m_writer = nullptr;
    if (m_temp_path.empty()) {
        return;
    }
    if (!m_failed && g_rename(m_temp_path.c_str(), m_target_path.c_str()) != 0) {
        LX_DEBUG("cannot replace '%s': %s", m_target_path.c_str(), g_strerror(errno));
        m_failed = true;
    }
    if (m_failed) {
        g_remove(m_temp_path.c_str());
    }
    m_temp_path.clear();
}

std::string SerializingWriter::get_contents() const {
    if (m_buffer == nullptr) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(m_buffer)),
                       static_cast<size_t>(xmlBufferLength(m_buffer)));
}

// ---- SerializingReader --------------------------------------------------------

SerializingReader::SerializingReader(const std::string& filename) {
    ensure_xml_defaults();
    // Opened without waiting: a named pipe would otherwise block until some
    // writer comes, and only a regular file is read at all.
    m_fd = ::open(filename.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (m_fd < 0 || fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        LX_DEBUG("cannot read '%s': not a readable regular file", filename.c_str());
        m_error = true;
        return;
    }
    m_reader = xmlReaderForFd(m_fd, filename.c_str(), nullptr, READER_OPTIONS);
    if (m_reader == nullptr) {
        LX_DEBUG("cannot read '%s'", filename.c_str());
        m_error = true;
        return;
    }
    xmlTextReaderSetStructuredErrorHandler(m_reader, &SerializingReader::on_error, this);
}

std::unique_ptr<SerializingReader> SerializingReader::from_memory(std::string data) {
    ensure_xml_defaults();
    std::unique_ptr<SerializingReader> r(new SerializingReader());
    r->m_memory = std::move(data);
    if (r->m_memory.size() > static_cast<size_t>(INT_MAX)) {
        r->m_error = true;
        return r;
    }
    r->m_reader = xmlReaderForMemory(r->m_memory.data(), static_cast<int>(r->m_memory.size()),
                                     nullptr, nullptr, READER_OPTIONS);
    if (r->m_reader == nullptr) {
        r->m_error = true;
        return r;
    }
    xmlTextReaderSetStructuredErrorHandler(r->m_reader, &SerializingReader::on_error, r.get());
    return r;
}

SerializingReader::~SerializingReader() {
    if (m_reader != nullptr) {
        xmlFreeTextReader(m_reader);
    }
    if (m_fd >= 0) {
        close(m_fd);
    }
}

void SerializingReader::on_error(void* self, xmlErrorPtr error) {
    log_xml_error(nullptr, error);
    // An undeclared prefix (<ext:meta/> from a newer version) breaks only
    // the namespace layer; the document itself is well-formed and its
    // unknown elements are skipped like any other.
    if (error != nullptr && error->domain == XML_FROM_NAMESPACE) {
        return;
    }
    if (error != nullptr && error->level >= XML_ERR_ERROR) {
        static_cast<SerializingReader*>(self)->m_error = true;
    }
}

bool SerializingReader::next() {
    if (m_reader == nullptr || m_error) {
        m_node_type = NODE_NONE;
        return false;
    }
    for (;;) {
        int ret = xmlTextReaderRead(m_reader);
        if (ret != 1 || m_error) {
            if (ret < 0) {
                m_error = true;
            }
            m_node_type = NODE_NONE;
            return false;
        }
        int type = xmlTextReaderNodeType(m_reader);
        if (type == NODE_START_ELEMENT || type == NODE_END_ELEMENT || type == NODE_TEXT) {
            m_node_type = type;
            return true;
        }
    }
}

bool SerializingReader::is_empty_element() const {
    return m_reader != nullptr && is_start_element() && xmlTextReaderIsEmptyElement(m_reader) == 1;
}

std::string SerializingReader::get_name() const {
    if (m_reader == nullptr || m_node_type == NODE_NONE) {
        return std::string();
    }
    const xmlChar* name = xmlTextReaderConstName(m_reader);
    return name != nullptr ? std::string(reinterpret_cast<const char*>(name)) : std::string();
}

std::string SerializingReader::get_text() {
    if (m_reader == nullptr) {
        return std::string();
    }
    if (is_text()) {
        const xmlChar* value = xmlTextReaderConstValue(m_reader);
        return value != nullptr ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    }
    if (is_start_element()) {
        return take_xml_string(xmlTextReaderReadString(m_reader));
    }
    return std::string();
}

int SerializingReader::get_depth() const {
    if (m_reader == nullptr || m_node_type == NODE_NONE) {
        return -1;
    }
    return xmlTextReaderDepth(m_reader);
}

std::optional<std::string> SerializingReader::get_attribute(const std::string& attr_name) const {
    if (m_reader == nullptr || !is_start_element()) {
        return std::nullopt;
    }
    xmlNodePtr node = xmlTextReaderCurrentNode(m_reader);
    if (node == nullptr || node->type != XML_ELEMENT_NODE) {
        return std::nullopt;
    }
    // libxml2's own attribute getters expand entity references, so a few
    // bytes of attribute could stand for gigabytes of text. The value is
    // gathered from its text pieces only; references are left out.
    for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next) {
        if (attr->ns != nullptr || attr_name != reinterpret_cast<const char*>(attr->name)) {
            continue;
        }
        std::string value;
        for (xmlNodePtr child = attr->children; child != nullptr; child = child->next) {
            if (child->type == XML_TEXT_NODE && child->content != nullptr) {
                value += reinterpret_cast<const char*>(child->content);
            }
        }
        return value;
    }
    return std::nullopt;
}

bool SerializingReader::skip_to_element(const std::string& name) {
    if (is_start_element() && get_name() == name) {
        return true;
    }
    while (next()) {
        if (is_start_element() && get_name() == name) {
            return true;
        }
    }
    return false;
}

bool SerializingReader::foreach_subtree(const std::function<bool()>& func) {
    if (!is_start_element()) {
        return false;
    }
    // An empty-element tag has no end element; walking on would swallow the
    // following siblings up to the parent's end.
    if (is_empty_element()) {
        return true;
    }
    const int depth = get_depth();
    bool ok = true;
    while (next()) {
        // Its own end element is the first node back at its depth; the
        // check on <= also stops a callback that read past the subtree.
        if (get_depth() <= depth) {
            break;
        }
        // Only the children themselves: whatever an element the callback
        // does not know holds is skipped with it, so a known name inside an
        // unknown element is never taken for one of ours.
        if (ok && get_depth() == depth + 1) {
            ok = func();
        }
    }
    return ok;
}

// ---- ISerializable ---------------------------------------------------------------

bool ISerializable::write(SerializingWriter&) {
    return true;
}

bool ISerializable::read(SerializingReader&) {
    return true;
}
