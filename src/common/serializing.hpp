#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>

// A forward-only XML writer: start element, attributes, text, end element.
//
// A file writer writes into a temporary file beside the target and moves it
// over the target only when the document was finished without any error, so
// a failed save never leaves a partial file over a good one. Destroying an
// unfinished writer finishes it.
class SerializingWriter {
  public:
    // Opens a writer on the file at path with the given libxml2 compression
    // level (0: none). When the file cannot be opened the writer still
    // exists and every later call reports failure.
    explicit SerializingWriter(const std::string& path, int compression = 0);
    // A writer into memory; read the document with get_contents() after
    // finish().
    static std::unique_ptr<SerializingWriter> to_memory();
    ~SerializingWriter();

    SerializingWriter(const SerializingWriter&) = delete;
    SerializingWriter& operator=(const SerializingWriter&) = delete;

    // Each of these answers TRUE WHEN IT FAILED and false on success, the
    // convention of the document code built on it. An element ended
    // without content becomes an empty-element tag. Text and attribute
    // values are escaped; characters that XML cannot carry (invalid UTF-8,
    // most control characters) are replaced by U+FFFD so the written file
    // always reads back.
    bool start_element(const std::string& name);
    bool end_element();
    bool write_attribute(const std::string& name, const std::string& content);
    bool write_text(const std::string& content);

    // Ends the document, closing every element still open, flushes, and
    // for a file writer puts the file in place. Later calls fail.
    void finish();

    bool is_open() const { return m_writer != nullptr; }
    // True once any call has failed (including opening and finishing).
    bool has_failed() const { return m_failed; }
    // The document written so far by a memory writer (complete after
    // finish()); empty for a file writer.
    std::string get_contents() const;

  private:
    SerializingWriter() = default;
    bool check(int result);
    void close_file();

    xmlTextWriterPtr m_writer = nullptr;
    xmlBufferPtr m_buffer = nullptr;
    std::string m_target_path;  // empty for a memory writer
    std::string m_temp_path;
    bool m_failed = false;
};

// A forward-only cursor over an XML document that stops only at start
// elements, end elements and text. Only regular files are read. Elements
// with a namespace prefix are plain elements named "prefix:name", declared
// or not. Hostile input is harmless: no DTD or
// external entity is ever loaded, the network is never touched, entities
// are not expanded into the text, and a malformed, truncated or too deeply
// nested document ends the walk with a false answer (see has_error()).
class SerializingReader {
  public:
    // libxml2's node-type numbering.
    static constexpr int NODE_NONE = 0;
    static constexpr int NODE_START_ELEMENT = 1;
    static constexpr int NODE_TEXT = 3;
    static constexpr int NODE_END_ELEMENT = 15;

    // Opens a reader on a file; nothing is read yet. A file that cannot be
    // opened makes next() answer false at once.
    explicit SerializingReader(const std::string& filename);
    // A reader over a document held in memory.
    static std::unique_ptr<SerializingReader> from_memory(std::string data);
    ~SerializingReader();

    SerializingReader(const SerializingReader&) = delete;
    SerializingReader& operator=(const SerializingReader&) = delete;

    // Moves to the next start element, end element or text node. False at
    // the end of the document or on a read error.
    bool next();
    bool is_start_element() const { return m_node_type == NODE_START_ELEMENT; }
    bool is_end_element() const { return m_node_type == NODE_END_ELEMENT; }
    bool is_text() const { return m_node_type == NODE_TEXT; }
    int get_node_type() const { return m_node_type; }
    // An empty-element tag (<a/>): a start element with no end element.
    bool is_empty_element() const;

    std::string get_name() const;
    // A text node's value; a start element's whole text content; else "".
    std::string get_text();
    // The root element is at depth 0; -1 when there is no current node.
    int get_depth() const;
    std::optional<std::string> get_attribute(const std::string& attr_name) const;

    // True at once when standing on a start element of that name; otherwise
    // moves forward to the next one (true) or to the end (false).
    bool skip_to_element(const std::string& name);
    // Walks the nodes inside the current start element up to its end
    // element, calling func at each of its children (not their contents)
    // until it first answers false; the rest of the subtree is still
    // consumed. Answers false when not standing on a
    // start element or when func answered false. An empty element has no
    // nodes inside, so func is not called and the cursor does not move.
    bool foreach_subtree(const std::function<bool()>& func);

    // True once the document turned out to be malformed or unreadable.
    bool has_error() const { return m_error; }

  private:
    SerializingReader() = default;
    static void on_error(void* self, xmlErrorPtr error);

    xmlTextReaderPtr m_reader = nullptr;
    int m_fd = -1;         // the file of a file reader
    std::string m_memory;  // the document of a memory reader
    int m_node_type = NODE_NONE;
    bool m_error = false;
};

// A model object that can be stored in a document.
class ISerializable {
  public:
    virtual ~ISerializable() = default;
    // Both answer true when they did their work.
    virtual bool write(SerializingWriter& writer);
    virtual bool read(SerializingReader& reader);
};
