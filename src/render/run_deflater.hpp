#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace View {

// A zlib stream encoder made for the Up-filtered rows of a grey export.
//
// An export is black lines on white; after the Up filter some 97 % of its
// bytes are zero, in long runs. A general-purpose deflate spends a couple of
// nanoseconds on each of those bytes hunting for matches. This one looks a
// machine word at a time for runs of the byte just written and codes them
// as matches at distance 1. Only where the runs break off, in text and
// line ends, does it look up earlier occurrences of the next four bytes;
// what matches none is a literal. Dynamic Huffman blocks keep it all short.
//
// The output is a function of the bytes alone, not of how they were split
// between calls.
class RunDeflater {
  public:
    RunDeflater();

    // Room for the next n bytes, to be filled and then handed over with
    // commit(n); saves a copy when the caller makes the bytes anyway.
    unsigned char* space(size_t n);
    void commit(size_t n);
    // Compresses n more bytes.
    void add(const unsigned char* data, size_t n);
    // Ends the stream with the last block and the checksum. Nothing may be
    // added after.
    void finish();

    // The compressed bytes not yet taken.
    const unsigned char* data() const { return m_buf.data(); }
    size_t size() const { return m_len; }
    void clear() { m_len = 0; }

  private:
    void scan();
    void run_out(uint64_t run);
    void literal(unsigned char c);
    void match(uint32_t length, uint32_t distance);
    void write_block(bool last);
    void checksum(const unsigned char* p, size_t n);

    void reserve(size_t n);

    // Symbols of the block being collected: a literal, or 256 + the length
    // of a match, and the match's distance or 0.
    std::vector<uint16_t> m_ll;
    std::vector<uint16_t> m_dist;
    size_t m_nsyms = 0;
    std::array<uint32_t, 286> m_lfreq{};
    std::array<uint32_t, 30> m_dfreq{};

    // The bytes from 32 KiB before the next one to code to the last one
    // added; m_pos and m_end index into it, m_base is the stream offset of
    // its first byte.
    std::vector<unsigned char> m_win;
    size_t m_pos = 0;
    size_t m_end = 0;
    uint64_t m_base = 0;
    bool m_finishing = false;
    // The last byte coded, and how many bytes equal to it before m_pos are
    // not coded yet.
    unsigned char m_last = 0;
    uint64_t m_run = 0;
    // The stream offset + 1 of the latest place each hash of four bytes was
    // seen, truncated to 32 bits; every candidate is compared anyway.
    std::vector<uint32_t> m_head;

    // Adler-32 of everything added.
    uint32_t m_a = 1;
    uint32_t m_b = 0;

    std::vector<unsigned char> m_buf;
    size_t m_len = 0;
    // Bits of the last, unfinished byte.
    uint64_t m_bits = 0;
    unsigned m_nbits = 0;
};

// Huffman code lengths for freq[0..n), none longer than limit. At least two
// symbols get a code, so that every code is complete, as decoders want.
void code_lengths(const uint32_t* freq, size_t n, unsigned limit, uint8_t* lengths);

}  // namespace View
