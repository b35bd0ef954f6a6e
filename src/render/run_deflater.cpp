#include "render/run_deflater.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace View {

namespace {

// A block ends after this many symbols, so that its code fits the stretch
// of image it covers; its header costs some 60 bytes.
constexpr size_t BLOCK_SYMBOLS = size_t{1} << 14;
constexpr unsigned MAX_BITS = 15;
constexpr unsigned MAX_CL_BITS = 7;
constexpr uint32_t ADLER_MOD = 65521;
constexpr size_t WINDOW = 32768;
constexpr size_t MIN_MATCH = 3;
constexpr size_t MAX_MATCH = 258;
constexpr unsigned HASH_BITS = 13;

constexpr uint16_t LEN_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t LEN_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t DIST_BASE[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t DIST_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block header gives the code-length code's lengths.
constexpr uint8_t CL_ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct Tables {
    // Length 0..258 -> index into LEN_BASE; distance - 1 -> DIST_BASE index.
    std::array<uint8_t, 259> len_code{};
    std::array<uint8_t, 32768> dist_code{};
    Tables() {
        for (uint8_t c = 0; c < 29; ++c) {
            const unsigned end = c == 28 ? 259 : LEN_BASE[c] + (1u << LEN_EXTRA[c]);
            for (unsigned l = LEN_BASE[c]; l < end && l < 259; ++l) {
                len_code[l] = c;
            }
        }
        len_code[258] = 28;
        for (uint8_t c = 0; c < 30; ++c) {
            for (unsigned d = DIST_BASE[c]; d < DIST_BASE[c] + (1u << DIST_EXTRA[c]); ++d) {
                dist_code[d - 1] = c;
            }
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// Writes bits from the lowest up. Whole bytes go out at once, the bits of
// the last one wait; eight bytes are stored each time, so the buffer needs
// that much room beyond the end. Kept in locals, apart from the buffer's
// bytes, so that the compiler keeps it in registers.
struct BitWriter {
    uint64_t bits;
    unsigned n;
    unsigned char* out;
    void put(uint64_t b, unsigned k) {
        bits |= b << n;
        n += k;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &bits, 8);
        } else {
            for (unsigned i = 0; i < 8; ++i) {
                out[i] = static_cast<unsigned char>(bits >> (8 * i));
            }
        }
        out += n / 8;
        bits >>= n & ~7u;
        n &= 7;
    }
};

// The canonical codes for the lengths, bit-reversed, since deflate sends
// Huffman codes from their top bit down but everything else from the bottom.
void canonical_codes(const uint8_t* lengths, size_t n, uint16_t* codes) {
    uint16_t count[MAX_BITS + 1] = {};
    for (size_t s = 0; s < n; ++s) {
        ++count[lengths[s]];
    }
    count[0] = 0;
    uint16_t next[MAX_BITS + 1] = {};
    uint32_t code = 0;
    for (unsigned b = 1; b <= MAX_BITS; ++b) {
        code = (code + count[b - 1]) << 1;
        next[b] = static_cast<uint16_t>(code);
    }
    for (size_t s = 0; s < n; ++s) {
        const unsigned len = lengths[s];
        if (len == 0) {
            codes[s] = 0;
            continue;
        }
        uint32_t c = next[len]++;
        uint32_t r = 0;
        for (unsigned i = 0; i < len; ++i) {
            r = (r << 1) | (c & 1);
            c >>= 1;
        }
        codes[s] = static_cast<uint16_t>(r);
    }
}

}  // namespace

// When the optimal code is too deep, the frequencies are flattened and it
// is built again; that costs little compression and ends quickly.
void code_lengths(const uint32_t* freq, size_t n, unsigned limit, uint8_t* lengths) {
    std::vector<std::pair<uint64_t, uint16_t>> leaves;
    for (size_t s = 0; s < n; ++s) {
        if (freq[s] > 0) {
            leaves.emplace_back(freq[s], static_cast<uint16_t>(s));
        }
    }
    for (uint16_t s = 0; leaves.size() < 2; ++s) {
        if (freq[s] == 0) {
            leaves.emplace_back(1, s);
        }
    }
    std::fill(lengths, lengths + n, 0);
    const size_t m = leaves.size();
    std::vector<uint64_t> weight(2 * m - 1);
    std::vector<uint32_t> parent(2 * m - 1);
    std::vector<uint8_t> depth(2 * m - 1);
    for (;;) {
        std::sort(leaves.begin(), leaves.end());
        for (size_t i = 0; i < m; ++i) {
            weight[i] = leaves[i].first;
        }
        // Leaves in ascending order and the inner nodes as made are both
        // sorted queues; the two lightest heads merge next.
        size_t leaf = 0;
        size_t inner = m;
        auto lightest = [&](size_t made) {
            if (leaf < m && (inner >= made || weight[leaf] <= weight[inner])) {
                return leaf++;
            }
            return inner++;
        };
        for (size_t k = m; k < 2 * m - 1; ++k) {
            const size_t a = lightest(k);
            const size_t b = lightest(k);
            weight[k] = weight[a] + weight[b];
            parent[a] = parent[b] = static_cast<uint32_t>(k);
        }
        depth[2 * m - 2] = 0;
        unsigned deepest = 0;
        for (size_t k = 2 * m - 2; k-- > 0;) {
            depth[k] = static_cast<uint8_t>(depth[parent[k]] + 1);
            deepest = std::max<unsigned>(deepest, depth[k]);
        }
        if (deepest <= limit) {
            break;
        }
        for (auto& l : leaves) {
            l.first = (l.first + 1) / 2;
        }
    }
    for (size_t i = 0; i < m; ++i) {
        lengths[leaves[i].second] = depth[i];
    }
}

RunDeflater::RunDeflater()
    : m_ll(BLOCK_SYMBOLS),
      m_dist(BLOCK_SYMBOLS),
      m_win(WINDOW + (size_t{1} << 18)),
      m_head(size_t{1} << HASH_BITS, 0),
      m_buf(1 << 16) {
    // Deflate with a 32 KiB window, no dictionary, the "fastest" level.
    m_buf[0] = 0x78;
    m_buf[1] = 0x01;
    m_len = 2;
}

unsigned char* RunDeflater::space(size_t n) {
    if (m_win.size() - m_end < n) {
        // Keep the window behind the next byte to code, and the bytes not
        // coded yet; the run before m_pos is at most a few bytes when it
        // can still be needed.
        const size_t keep = m_pos > WINDOW ? m_pos - WINDOW : 0;
        std::memmove(m_win.data(), m_win.data() + keep, m_end - keep);
        m_pos -= keep;
        m_end -= keep;
        m_base += keep;
        if (m_win.size() - m_end < n) {
            m_win.resize(m_end + n);
        }
    }
    return m_win.data() + m_end;
}

void RunDeflater::commit(size_t n) {
    checksum(m_win.data() + m_end, n);
    m_end += n;
    scan();
}

void RunDeflater::add(const unsigned char* data, size_t n) {
    while (n > 0) {
        const size_t k = std::min<size_t>(n, size_t{1} << 16);
        std::memcpy(space(k), data, k);
        commit(k);
        data += k;
        n -= k;
    }
}

namespace {

uint32_t hash4(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

// How many bytes from p equal c, up to end.
size_t run_length(const unsigned char* p, const unsigned char* end, unsigned char c) {
    const unsigned char* q = p;
#ifdef __SSE2__
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(c));
    while (end - q >= 32) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16));
        const auto same = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, pattern))) |
                          static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(y, pattern)))
                              << 16;
        if (same != 0xffffffffu) {
            return static_cast<size_t>(q - p) + static_cast<size_t>(std::countr_one(same));
        }
        q += 32;
    }
#else
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t pattern = uint64_t{0x0101010101010101} * c;
        while (end - q >= 8) {
            uint64_t w;
            std::memcpy(&w, q, 8);
            w ^= pattern;
            if (w != 0) {
                return static_cast<size_t>(q - p) + static_cast<size_t>(std::countr_zero(w)) / 8;
            }
            q += 8;
        }
    }
#endif
    while (q < end && *q == c) {
        ++q;
    }
    return static_cast<size_t>(q - p);
}

// How many bytes a and b have in common, up to max.
size_t common_length(const unsigned char* a, const unsigned char* b, size_t max) {
    size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (n + 8 <= max) {
            uint64_t x;
            uint64_t y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) {
                return n + static_cast<size_t>(std::countr_zero(x ^ y)) / 8;
            }
            n += 8;
        }
    }
    while (n < max && a[n] == b[n]) {
        ++n;
    }
    return n;
}

}  // namespace

// Codes what the bytes added allow. A decision about a byte waits until
// MAX_MATCH bytes follow it (or the stream ends), so that where the calls
// split the stream never shows in the output.
void RunDeflater::scan() {
    unsigned char* const w = m_win.data();
    while (m_pos < m_end || (m_finishing && m_run > 0)) {
        if (m_base + m_pos > 0) {
            const size_t r = run_length(w + m_pos, w + m_end, m_last);
            if (m_pos + r == m_end && !m_finishing) {
                m_run += r;  // the run may go on in the next bytes
                m_pos = m_end;
                return;
            }
            const uint64_t run = m_run + r;
            m_run = 0;
            if (run >= MIN_MATCH) {
                run_out(run);
                m_pos += r;
            } else {
                // Too short for a match of its own; it may start one.
                m_pos -= run - r;
            }
            if (m_pos == m_end) {
                return;
            }
        }
        const size_t ahead = m_end - m_pos;
        if (ahead < MAX_MATCH && !m_finishing) {
            return;
        }
        if (ahead >= 4) {
            uint32_t& head = m_head[hash4(w + m_pos)];
            const auto here = static_cast<uint32_t>(m_base + m_pos + 1);
            const uint32_t dist = here - head;
            const uint32_t seen = head;
            head = here;
            if (seen != 0 && dist >= 1 && dist <= WINDOW && dist <= m_pos) {
                const size_t len =
                    common_length(w + m_pos - dist, w + m_pos, std::min<size_t>(ahead, MAX_MATCH));
                if (len >= 4) {
                    match(static_cast<uint32_t>(len), dist);
                    m_pos += len;
                    m_last = w[m_pos - 1];
                    continue;
                }
            }
        }
        m_last = w[m_pos];
        literal(m_last);
        ++m_pos;
    }
}

void RunDeflater::run_out(uint64_t run) {
    while (run > 0) {
        // Matches of 258, but none left shorter than 3.
        const uint64_t len = run <= MAX_MATCH              ? run
                             : run - MAX_MATCH < MIN_MATCH ? run - MIN_MATCH
                                                           : MAX_MATCH;
        match(static_cast<uint32_t>(len), 1);
        run -= len;
    }
}

void RunDeflater::literal(unsigned char c) {
    m_ll[m_nsyms] = c;
    m_dist[m_nsyms] = 0;
    ++m_lfreq[c];
    if (++m_nsyms == BLOCK_SYMBOLS) {
        write_block(false);
    }
}

void RunDeflater::match(uint32_t length, uint32_t distance) {
    const Tables& t = tables();
    m_ll[m_nsyms] = static_cast<uint16_t>(256 + length);
    m_dist[m_nsyms] = static_cast<uint16_t>(distance);
    ++m_lfreq[257 + t.len_code[length]];
    ++m_dfreq[t.dist_code[distance - 1]];
    if (++m_nsyms == BLOCK_SYMBOLS) {
        write_block(false);
    }
}

void RunDeflater::write_block(bool last) {
    const Tables& t = tables();
    m_lfreq[256] = 1;  // end of block
    uint8_t llen[286];
    uint8_t dlen[30];
    code_lengths(m_lfreq.data(), 286, MAX_BITS, llen);
    code_lengths(m_dfreq.data(), 30, MAX_BITS, dlen);
    size_t hlit = 286;
    while (hlit > 257 && llen[hlit - 1] == 0) {
        --hlit;
    }
    size_t hdist = 30;
    while (hdist > 1 && dlen[hdist - 1] == 0) {
        --hdist;
    }

    // Both sets of lengths as one sequence, runs coded with 16, 17 and 18.
    uint8_t lens[286 + 30];
    std::copy(llen, llen + hlit, lens);
    std::copy(dlen, dlen + hdist, lens + hlit);
    const size_t total = hlit + hdist;
    uint8_t cl_sym[286 + 30];
    uint8_t cl_extra[286 + 30];
    size_t ncl = 0;
    uint32_t cl_freq[19] = {};
    auto emit = [&](unsigned sym, unsigned extra) {
        cl_sym[ncl] = static_cast<uint8_t>(sym);
        cl_extra[ncl] = static_cast<uint8_t>(extra);
        ++ncl;
        ++cl_freq[sym];
    };
    for (size_t i = 0; i < total;) {
        const uint8_t v = lens[i];
        size_t run = 1;
        while (i + run < total && lens[i + run] == v) {
            ++run;
        }
        i += run;
        if (v == 0) {
            while (run >= 11) {
                const size_t k = std::min<size_t>(run, 138);
                emit(18, static_cast<unsigned>(k - 11));
                run -= k;
            }
            if (run >= 3) {
                emit(17, static_cast<unsigned>(run - 3));
                run = 0;
            }
        } else {
            emit(v, 0);
            --run;
            while (run >= 3) {
                const size_t k = std::min<size_t>(run, 6);
                emit(16, static_cast<unsigned>(k - 3));
                run -= k;
            }
        }
        for (; run > 0; --run) {
            emit(v, 0);
        }
    }
    uint8_t cllen[19];
    code_lengths(cl_freq, 19, MAX_CL_BITS, cllen);
    size_t hclen = 19;
    while (hclen > 4 && cllen[CL_ORDER[hclen - 1]] == 0) {
        --hclen;
    }
    uint16_t lcode[286];
    uint16_t dcode[30];
    uint16_t clcode[19];
    canonical_codes(llen, 286, lcode);
    canonical_codes(dlen, 30, dcode);
    canonical_codes(cllen, 19, clcode);

    // At most 48 bits a symbol and some 2 KiB of header.
    reserve(m_nsyms * 6 + 2048);
    BitWriter bw{m_bits, m_nbits, m_buf.data() + m_len};
    auto put = [&bw](uint64_t b, unsigned k) { bw.put(b, k); };
    put(last ? 1 : 0, 1);
    put(2, 2);  // dynamic Huffman codes
    put(hlit - 257, 5);
    put(hdist - 1, 5);
    put(hclen - 4, 4);
    for (size_t k = 0; k < hclen; ++k) {
        put(cllen[CL_ORDER[k]], 3);
    }
    for (size_t k = 0; k < ncl; ++k) {
        const unsigned s = cl_sym[k];
        put(clcode[s], cllen[s]);
        if (s >= 16) {
            put(cl_extra[k], s == 16 ? 2 : s == 17 ? 3 : 7);
        }
    }
    // Literals and lengths with their extra bits looked up whole, and no
    // branch between literal and match: a literal's distance takes 0 bits.
    uint32_t ll_bits[256 + 259];
    uint8_t ll_n[256 + 259];
    for (unsigned c = 0; c < 256; ++c) {
        ll_bits[c] = lcode[c];
        ll_n[c] = llen[c];
    }
    for (unsigned len = 3; len <= 258; ++len) {
        const unsigned lc = t.len_code[len];
        ll_bits[256 + len] = lcode[257 + lc] | (len - LEN_BASE[lc]) << llen[257 + lc];
        ll_n[256 + len] = static_cast<uint8_t>(llen[257 + lc] + LEN_EXTRA[lc]);
    }
    for (size_t k = 0; k < m_nsyms; ++k) {
        const unsigned ll = m_ll[k];
        put(ll_bits[ll], ll_n[ll]);
        const unsigned dist = m_dist[k];
        const unsigned dc = t.dist_code[(dist - 1) & (WINDOW - 1)];
        const uint64_t dbits = dcode[dc] | uint64_t{dist - DIST_BASE[dc]} << dlen[dc];
        put(dist != 0 ? dbits : 0, dist != 0 ? dlen[dc] + DIST_EXTRA[dc] : 0);
    }
    put(lcode[256], llen[256]);
    m_bits = bw.bits;
    m_nbits = bw.n;
    m_len = static_cast<size_t>(bw.out - m_buf.data());

    m_nsyms = 0;
    m_lfreq.fill(0);
    m_dfreq.fill(0);
}

void RunDeflater::finish() {
    m_finishing = true;
    scan();
    write_block(true);
    reserve(16);
    while (m_nbits > 0) {
        m_buf[m_len++] = static_cast<unsigned char>(m_bits);
        m_bits >>= 8;
        m_nbits = m_nbits > 8 ? m_nbits - 8 : 0;
    }
    const uint32_t adler = m_b << 16 | m_a;
    for (int shift = 24; shift >= 0; shift -= 8) {
        m_buf[m_len++] = static_cast<unsigned char>(adler >> shift);
    }
}

void RunDeflater::checksum(const unsigned char* p, size_t n) {
    // The sums wait for their remainder as long as they cannot overflow.
    uint64_t a = m_a;
    uint64_t b = m_b;
#ifdef __SSE2__
    // Sixteen bytes at a time: a gains their sum, b sixteen times a and
    // the bytes weighted 16 down to 1. Kept apart per lane, the sum of a
    // before each block (ps) and the weighted sums are added up at the end.
    constexpr size_t BLOCKS = 5552 / 16;
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight_lo = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i weight_hi = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (n >= 16) {
        const size_t blocks = std::min(n / 16, BLOCKS);
        __m128i s1 = zero;
        __m128i s2 = zero;
        __m128i ps = zero;
        for (size_t k = 0; k < blocks; ++k) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            ps = _mm_add_epi32(ps, s1);
            s1 = _mm_add_epi32(s1, _mm_sad_epu8(x, zero));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(x, zero), weight_lo));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpackhi_epi8(x, zero), weight_hi));
        }
        auto lanes = [](__m128i v) {
            alignas(16) uint32_t l[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(l), v);
            return uint64_t{l[0]} + l[1] + l[2] + l[3];
        };
        b += 16 * blocks * a + 16 * lanes(ps) + lanes(s2);
        a += lanes(s1);
        a %= ADLER_MOD;
        b %= ADLER_MOD;
        p += 16 * blocks;
        n -= 16 * blocks;
    }
#endif
    while (n > 0) {
        const size_t k = std::min<size_t>(n, 5552);
        for (size_t i = 0; i < k; ++i) {
            a += p[i];
            b += a;
        }
        a %= ADLER_MOD;
        b %= ADLER_MOD;
        p += k;
        n -= k;
    }
    m_a = static_cast<uint32_t>(a);
    m_b = static_cast<uint32_t>(b);
}

void RunDeflater::reserve(size_t n) {
    if (m_buf.size() < m_len + n) {
        m_buf.resize(std::max(2 * m_buf.size(), m_len + n));
    }
}

}  // namespace View
