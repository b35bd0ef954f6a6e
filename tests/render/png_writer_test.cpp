#include "render/png_writer.hpp"
#include "render/run_deflater.hpp"

#include <algorithm>
#include <array>
#include <random>
#include <utility>

#include <gtest/gtest.h>
#include <zlib.h>

using View::PngWriter;

namespace {

uint32_t u32(const std::string& s, size_t at) {
    return uint32_t{static_cast<unsigned char>(s[at])} << 24 |
           uint32_t{static_cast<unsigned char>(s[at + 1])} << 16 |
           uint32_t{static_cast<unsigned char>(s[at + 2])} << 8 |
           uint32_t{static_cast<unsigned char>(s[at + 3])};
}

struct Decoded {
    uint32_t width = 0;
    uint32_t height = 0;
    int color_type = -1;
    // Pixels, rows top to bottom, one or four bytes each.
    std::vector<unsigned char> pixels;
    // The zlib stream and what it holds.
    std::string zlib;
    std::vector<unsigned char> filtered;
};

// Checks the chunks and their CRCs, inflates the IDAT data (zlib checks the
// Adler-32) and undoes the filters; failures are reported through gtest.
Decoded decode(const std::string& png) {
    Decoded d;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string idat;
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= png.size() && !ended) {
        const uint32_t n = u32(png, at);
        const std::string type = png.substr(at + 4, 4);
        EXPECT_LE(at + 12 + n, png.size()) << type;
        const auto* body = reinterpret_cast<const Bytef*>(png.data() + at + 4);
        EXPECT_EQ(crc32(0, body, n + 4), u32(png, at + 8 + n)) << type << " at " << at;
        if (type == "IHDR") {
            d.width = u32(png, at + 8);
            d.height = u32(png, at + 12);
            d.color_type = static_cast<unsigned char>(png[at + 17]);
        } else if (type == "IDAT") {
            idat.append(png, at + 8, n);
        }
        ended = type == "IEND";
        at += 12 + n;
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(at, png.size());
    const size_t bpp = d.color_type == 0 ? 1 : 4;
    const size_t stride = bpp * d.width + 1;
    std::vector<unsigned char> raw(stride * d.height + 1);
    z_stream zs{};
    EXPECT_EQ(inflateInit(&zs), Z_OK);
    zs.next_in = reinterpret_cast<Bytef*>(idat.data());
    zs.avail_in = static_cast<uInt>(idat.size());
    zs.next_out = raw.data();
    zs.avail_out = static_cast<uInt>(raw.size());
    EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END) << (zs.msg ? zs.msg : "");
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the end of the stream";
    EXPECT_EQ(zs.total_out, raw.size() - 1);
    inflateEnd(&zs);
    raw.pop_back();
    d.zlib = idat;
    d.filtered = raw;
    std::vector<unsigned char> above(bpp * d.width, 0);
    for (uint32_t y = 0; y < d.height; ++y) {
        const unsigned char* row = raw.data() + y * stride;
        EXPECT_EQ(row[0], y == 0 ? 0 : 2);
        for (size_t x = 0; x < above.size(); ++x) {
            above[x] = static_cast<unsigned char>(row[0] == 2 ? above[x] + row[1 + x] : row[1 + x]);
        }
        d.pixels.insert(d.pixels.end(), above.begin(), above.end());
    }
    return d;
}

// Images of the kinds an export makes and worse: white, sparse lines, text
// like snippets repeated at random distances, runs of one value across row
// ends, rows that change alike all the way down, noise, and noise that
// skews the codes deep.
std::vector<unsigned char> make_greys(std::mt19937& rng, uint32_t w, uint32_t h) {
    std::vector<unsigned char> g(size_t{w} * h, 255);
    auto pick = [&rng](uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng);
    };
    switch (pick(7)) {
        case 0:
            break;
        case 1:
            for (uint32_t k = pick(40); k-- > 0;) {
                const unsigned char v = pick(3) == 0 ? static_cast<unsigned char>(pick(256)) : 0;
                if (pick(2) == 0) {
                    const uint32_t x = pick(w);
                    std::fill_n(g.begin() + size_t{pick(h)} * w + x, pick(w - x + 1), v);
                } else {
                    const uint32_t x = pick(w);
                    for (uint32_t y = pick(h), n = pick(h); y < h && n-- > 0; ++y) {
                        g[size_t{y} * w + x] = v;
                    }
                }
            }
            break;
        case 2: {
            std::vector<unsigned char> glyph(pick(300) + 1);
            for (auto& c : glyph) {
                c = pick(2) == 0 ? 255 : static_cast<unsigned char>(pick(256));
            }
            for (uint32_t k = pick(200); k-- > 0;) {
                const size_t at = size_t{pick(h)} * w + pick(w);
                std::copy_n(glyph.begin(), std::min(glyph.size(), g.size() - at), g.begin() + at);
            }
            break;
        }
        case 3:
            for (size_t at = 0; at < g.size();) {
                const size_t n =
                    std::min<size_t>(g.size() - at, pick(3) == 0 ? pick(4) : pick(70000));
                std::fill_n(g.begin() + at, n, static_cast<unsigned char>(pick(4) * 85));
                at += n;
            }
            break;
        case 4: {
            std::vector<unsigned char> step(w);
            for (auto& c : step) {
                c = static_cast<unsigned char>(pick(256));
            }
            for (size_t i = 0; i < g.size(); ++i) {
                g[i] = static_cast<unsigned char>(step[i % w] * (i / w));
            }
            break;
        }
        case 5:
            // Changes of k from row to row at odds of 0.6^k, every other
            // byte random so that they rarely repeat.
            for (size_t i = 0; i < g.size(); ++i) {
                unsigned k = 0;
                while (k < 40 && pick(5) < 3) {
                    ++k;
                }
                g[i] = static_cast<unsigned char>((i < w ? 0 : g[i - w]) +
                                                  (i % 2 == 0 ? k : 50 + pick(200)));
            }
            break;
        default:
            for (auto& c : g) {
                c = static_cast<unsigned char>(pick(256));
            }
    }
    return g;
}

// Feeds the image in bands of random height from a padded ARGB surface.
std::string encode(const std::vector<uint32_t>& argb, uint32_t w, uint32_t h,
                   PngWriter::ColorType type, std::mt19937& rng) {
    std::string out;
    PngWriter png(out, w, h, type);
    const size_t stride = w + std::uniform_int_distribution<size_t>(0, 3)(rng);
    std::vector<uint32_t> band;
    for (uint32_t y = 0; y < h;) {
        const uint32_t rows = std::min(h - y, std::uniform_int_distribution<uint32_t>(1, 64)(rng));
        band.assign(stride * rows, 0xdeadbeef);
        for (uint32_t r = 0; r < rows; ++r) {
            std::copy_n(argb.begin() + size_t{y + r} * w, w, band.begin() + r * stride);
        }
        png.add_rows(reinterpret_cast<const unsigned char*>(band.data()),
                     static_cast<int>(stride * 4), static_cast<int>(rows));
        y += rows;
    }
    EXPECT_TRUE(png.finish());
    return out;
}

}  // namespace

// Whatever the image and however its rows arrive, the file is a valid PNG
// that gives back exactly its pixels, and the same file each time.
TEST(PngWriterTest, AnyImageComesBackExactlyAndTheSameInAnyBands) {
    std::mt19937 rng(27);
    for (int round = 0; round < 120; ++round) {
        const uint32_t w = round % 4 == 0 ? std::uniform_int_distribution<uint32_t>(1, 9)(rng)
                                          : std::uniform_int_distribution<uint32_t>(1, 3000)(rng);
        const uint32_t h = std::uniform_int_distribution<uint32_t>(1, 300)(rng);
        const auto type = round % 8 == 7 ? PngWriter::ColorType::RGBA : PngWriter::ColorType::GREY;
        const auto greys = make_greys(rng, w, h);
        std::vector<uint32_t> argb(greys.size());
        for (size_t i = 0; i < greys.size(); ++i) {
            // RGBA images get a little colour to keep apart.
            const uint32_t g = greys[i];
            argb[i] =
                0xff000000u | g << 16 | g << 8 | (type == PngWriter::ColorType::RGBA ? g / 2 : g);
        }
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << w << " x " << h);
        const std::string png = encode(argb, w, h, type, rng);
        const Decoded d = decode(png);
        ASSERT_EQ(d.width, w);
        ASSERT_EQ(d.height, h);
        if (type == PngWriter::ColorType::GREY) {
            ASSERT_EQ(d.color_type, 0);
            ASSERT_TRUE(d.pixels == greys);
            EXPECT_EQ(encode(argb, w, h, type, rng), png);
            // The compressor alone, fed in pieces that split rows anywhere.
            View::RunDeflater runs;
            std::string z;
            for (size_t at = 0; at < d.filtered.size();) {
                const size_t n = std::min(d.filtered.size() - at,
                                          std::uniform_int_distribution<size_t>(1, 5000)(rng));
                runs.add(d.filtered.data() + at, n);
                z.append(reinterpret_cast<const char*>(runs.data()), runs.size());
                runs.clear();
                at += n;
            }
            runs.finish();
            z.append(reinterpret_cast<const char*>(runs.data()), runs.size());
            EXPECT_TRUE(z == d.zlib);
        } else {
            ASSERT_EQ(d.color_type, 6);
            for (size_t i = 0; i < greys.size(); ++i) {
                ASSERT_EQ(d.pixels[4 * i], greys[i]);
                ASSERT_EQ(d.pixels[4 * i + 2], greys[i] / 2);
                ASSERT_EQ(d.pixels[4 * i + 3], 255);
            }
        }
    }
    // A white page is nearly nothing.
    std::mt19937 same(1);
    const std::vector<uint32_t> white(size_t{3000} * 300, 0xffffffff);
    EXPECT_LT(encode(white, 3000, 300, PngWriter::ColorType::GREY, same).size(), 3000u);
}

TEST(PngWriterTest, TooFewOrTooManyRowsFail) {
    const std::vector<uint32_t> rows(4 * 3, 0xffffffff);
    const auto* data = reinterpret_cast<const unsigned char*>(rows.data());
    for (auto type : {PngWriter::ColorType::GREY, PngWriter::ColorType::RGBA}) {
        std::string out;
        PngWriter few(out, 4, 3, type);
        few.add_rows(data, 16, 2);
        EXPECT_FALSE(few.finish());
        PngWriter many(out, 4, 3, type);
        many.add_rows(data, 16, 2);
        many.add_rows(data, 16, 2);
        EXPECT_FALSE(many.finish());
        PngWriter twice(out, 4, 3, type);
        twice.add_rows(data, 16, 3);
        EXPECT_TRUE(twice.finish());
        EXPECT_FALSE(twice.finish());
    }
}

// Huffman codes for any counts, however skewed: complete, within the
// limit, and a code for each symbol that occurs (for two at least).
TEST(PngWriterTest, CodeLengthsAreCompleteAndWithinTheLimit) {
    std::mt19937 rng(15);
    for (int round = 0; round < 300; ++round) {
        const size_t n = std::array<size_t, 3>{19, 30, 286}[round % 3];
        const unsigned limit = n == 19 ? 7 : 15;
        std::vector<uint32_t> freq(n, 0);
        uint32_t a = 1;
        uint32_t b = 1;
        for (auto& f : freq) {
            switch (std::uniform_int_distribution<int>(0, round % 4)(rng)) {
                case 0:  // Fibonacci counts make the deepest codes
                    f = a;
                    b = std::exchange(a, a + b);
                    break;
                case 1:
                    f = 0;
                    break;
                default:
                    f = std::uniform_int_distribution<uint32_t>(0, 1000000)(rng);
            }
        }
        std::vector<uint8_t> len(n);
        View::code_lengths(freq.data(), n, limit, len.data());
        uint64_t kraft = 0;
        size_t coded = 0;
        for (size_t s = 0; s < n; ++s) {
            ASSERT_LE(len[s], limit);
            ASSERT_TRUE(freq[s] == 0 || len[s] > 0) << s;
            kraft += len[s] > 0 ? uint64_t{1} << (limit - len[s]) : 0;
            coded += len[s] > 0;
        }
        EXPECT_EQ(kraft, uint64_t{1} << limit) << "round " << round;
        EXPECT_GE(coded, 2u);
    }
}
