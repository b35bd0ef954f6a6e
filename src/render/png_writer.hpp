#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "render/run_deflater.hpp"

namespace View {

// Encodes an image as PNG into memory, a band of rows at a time, so that a
// large export never holds the whole bitmap. Rows come from cairo ARGB32
// image surfaces (native-endian, premultiplied alpha).
//
// Cairo's own writer always stores 8-bit RGBA at zlib's default level. An
// export is black on white, so one grey byte per pixel says the same in a
// quarter of the data, and its runs of unchanged pixels compress with a
// deflate made for them (RunDeflater) at a fraction of zlib's cost. Coloured
// images go through zlib's fastest level.
class PngWriter {
  public:
    enum class ColorType {
        // One byte per pixel; for opaque images whose pixels are all grey.
        GREY,
        // Four bytes per pixel, alpha not premultiplied.
        RGBA,
    };

    PngWriter(std::string& out, uint32_t width, uint32_t height, ColorType color_type);
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Appends rows top to bottom; data points at the first row's first pixel.
    void add_rows(const unsigned char* data, int stride, int rows);
    // Ends the image. False when the rows given do not make up the height
    // or the compressor failed; out then holds no valid image.
    [[nodiscard]] bool finish();

  private:
    bool deflate_row(int flush);
    void write_chunk(const char* type, const unsigned char* data, size_t size);
    void flush_idat();
    void flush_runs(size_t at_least);

    std::string& m_out;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_rows_done = 0;
    ColorType m_color_type;
    size_t m_bpp;
    bool m_failed = false;
    z_stream m_zs{};
    RunDeflater m_runs;
    // The previous row's pixels, and for zlib the filter byte and filtered
    // pixels of the row that goes to the compressor.
    std::vector<unsigned char> m_prev;
    std::vector<unsigned char> m_filtered;
    std::vector<unsigned char> m_idat;
};

}  // namespace View
