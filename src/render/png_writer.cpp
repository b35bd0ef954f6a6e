#include "render/png_writer.hpp"

#include <cstring>

namespace View {

namespace {

constexpr unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Compressed data is written out in IDAT chunks of this size.
constexpr size_t IDAT_SIZE = 1 << 18;

void put_u32(std::string& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
    out.append(b, 4);
}

void put_u32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

}  // namespace

PngWriter::PngWriter(std::string& out, uint32_t width, uint32_t height, ColorType color_type)
    : m_out(out),
      m_width(width),
      m_height(height),
      m_color_type(color_type),
      m_bpp(color_type == ColorType::GREY ? 1 : 4) {
    const size_t row_bytes = m_bpp * width;
    m_prev.assign(row_bytes, 0);
    m_out.append(reinterpret_cast<const char*>(SIGNATURE), sizeof SIGNATURE);
    unsigned char ihdr[13];
    put_u32(ihdr, width);
    put_u32(ihdr + 4, height);
    ihdr[8] = 8;                                      // bits per sample
    ihdr[9] = color_type == ColorType::GREY ? 0 : 6;  // grey / RGBA
    ihdr[10] = 0;                                     // deflate
    ihdr[11] = 0;                                     // adaptive filters
    ihdr[12] = 0;                                     // not interlaced
    write_chunk("IHDR", ihdr, sizeof ihdr);
    if (color_type == ColorType::GREY) {
        return;
    }
    m_filtered.assign(row_bytes + 1, 0);
    m_idat.assign(IDAT_SIZE, 0);
    // Level 1 with the default strategy: sparse lines on white compress
    // nearly as well as at level 6, far faster.
    if (deflateInit(&m_zs, 1) != Z_OK) {
        m_failed = true;
        return;
    }
    m_zs.next_out = m_idat.data();
    m_zs.avail_out = static_cast<uInt>(m_idat.size());
}

PngWriter::~PngWriter() {
    if (m_color_type == ColorType::RGBA) {
        deflateEnd(&m_zs);
    }
}

namespace {

// Plain loops over restrict pointers, so that the compiler vectorises them.
void grey_up_row(const uint32_t* __restrict argb, unsigned char* __restrict prev,
                 unsigned char* __restrict filtered, size_t width) {
    for (size_t x = 0; x < width; ++x) {
        // Opaque and grey: any of the three components is the value.
        const auto v = static_cast<unsigned char>(argb[x] >> 8);
        filtered[x] = static_cast<unsigned char>(v - prev[x]);
        prev[x] = v;
    }
}

void rgba_up_row(const uint32_t* __restrict argb, unsigned char* __restrict prev,
                 unsigned char* __restrict filtered, size_t width) {
    for (size_t x = 0; x < width; ++x) {
        const uint32_t p = argb[x];
        const uint32_t a = p >> 24;
        auto un = [a](uint32_t c) {
            return static_cast<unsigned char>(a == 0 ? 0 : (c * 255 + a / 2) / a);
        };
        const unsigned char px[4] = {un((p >> 16) & 0xff), un((p >> 8) & 0xff), un(p & 0xff),
                                     static_cast<unsigned char>(a)};
        for (size_t i = 0; i < 4; ++i) {
            filtered[4 * x + i] = static_cast<unsigned char>(px[i] - prev[4 * x + i]);
            prev[4 * x + i] = px[i];
        }
    }
}

}  // namespace

void PngWriter::add_rows(const unsigned char* data, int stride, int rows) {
    for (int y = 0; y < rows && !m_failed; ++y) {
        if (m_rows_done == m_height) {
            m_failed = true;
            return;
        }
        const auto* argb =
            reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        // The Up filter: the lines of a diagram are mostly vertical or
        // horizontal, and a row that repeats the one above becomes zeros.
        // The first row's "above" is all zeros, which is no filter at all.
        const unsigned char filter = m_rows_done == 0 ? 0 : 2;
        ++m_rows_done;
        if (m_color_type == ColorType::GREY) {
            // Filtered straight into the compressor's window.
            unsigned char* row = m_runs.space(m_width + size_t{1});
            row[0] = filter;
            grey_up_row(argb, m_prev.data(), row + 1, m_width);
            m_runs.commit(m_width + size_t{1});
            flush_runs(IDAT_SIZE);
            continue;
        }
        m_filtered[0] = filter;
        rgba_up_row(argb, m_prev.data(), m_filtered.data() + 1, m_width);
        if (!deflate_row(Z_NO_FLUSH)) {
            m_failed = true;
        }
    }
}

bool PngWriter::deflate_row(int flush) {
    m_zs.next_in = m_filtered.data();
    m_zs.avail_in = flush == Z_FINISH ? 0 : static_cast<uInt>(m_filtered.size());
    for (;;) {
        int st = deflate(&m_zs, flush);
        if (st == Z_STREAM_ERROR) {
            return false;
        }
        if (m_zs.avail_out == 0) {
            flush_idat();
            continue;
        }
        if (flush == Z_FINISH ? st == Z_STREAM_END : m_zs.avail_in == 0) {
            return true;
        }
    }
}

void PngWriter::flush_idat() {
    const size_t n = m_idat.size() - m_zs.avail_out;
    if (n > 0) {
        write_chunk("IDAT", m_idat.data(), n);
    }
    m_zs.next_out = m_idat.data();
    m_zs.avail_out = static_cast<uInt>(m_idat.size());
}

void PngWriter::write_chunk(const char* type, const unsigned char* data, size_t size) {
    put_u32(m_out, static_cast<uint32_t>(size));
    m_out.append(type, 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) {
        m_out.append(reinterpret_cast<const char*>(data), size);
        crc = crc32(crc, data, static_cast<uInt>(size));
    }
    put_u32(m_out, static_cast<uint32_t>(crc));
}

void PngWriter::flush_runs(size_t at_least) {
    if (m_runs.size() >= at_least && m_runs.size() > 0) {
        write_chunk("IDAT", m_runs.data(), m_runs.size());
        m_runs.clear();
    }
}

bool PngWriter::finish() {
    if (m_failed || m_rows_done != m_height) {
        m_failed = true;
        return false;
    }
    if (m_color_type == ColorType::GREY) {
        m_runs.finish();
        flush_runs(0);
    } else {
        if (!deflate_row(Z_FINISH)) {
            m_failed = true;
            return false;
        }
        flush_idat();
    }
    write_chunk("IEND", nullptr, 0);
    m_failed = true;  // the image is complete: nothing more may be added
    return true;
}

}  // namespace View
