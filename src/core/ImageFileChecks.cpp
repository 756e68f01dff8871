// jpegHuffmanTablesFit: walks the JPEG markers as the decoder does up to the first scan (segments
// by their length, bytes that are no marker skipped one by one), then looks at every DHT and SOS
// marker after it: adds up the code counts of every table in every DHT segment, and checks that
// every scan names only tables defined before it.
#include "core/ImageFileChecks.h"

namespace {

// The decoder reads zeros past the end of the data; so does this.
std::uint8_t byteAt(const std::uint8_t* bytes, std::size_t size, std::size_t at) { return at < size ? bytes[at] : 0; }

// What the markers seen so far have set up: the Huffman tables defined (bit class * 4 + id) and
// whether the frame is progressive.
struct JpegTables {
    unsigned defined = 0;
    bool progressive = false;

    bool has(int tableClass, int id) const { return id < 4 && (defined >> (tableClass * 4 + id) & 1u) != 0; }
};

// A DHT segment: false when a table declares more than 256 codes; records the tables it defines.
bool huffmanSegmentFits(const std::uint8_t* bytes, std::size_t size, std::size_t at, int length, JpegTables& tables) {
    for (int left = length - 2; left > 0;) {
        const int classAndId = byteAt(bytes, size, at);
        int codes = 0;
        for (int i = 0; i < 16; ++i) codes += byteAt(bytes, size, at + 1 + static_cast<std::size_t>(i));
        if (codes > 256) return false;
        if ((classAndId >> 4) <= 1 && (classAndId & 15) <= 3) tables.defined |= 1u << ((classAndId >> 4) * 4 + (classAndId & 15));
        at += 17 + static_cast<std::size_t>(codes);
        left -= 17 + codes;
    }
    return true;
}

// A scan header (SOS): false when a component names a Huffman table no DHT has defined yet, which
// the decoder would read uninitialised. A sequential scan uses both of a component's tables; a
// progressive one the DC table when it starts at coefficient 0, else the AC table.
bool scanTablesDefined(const std::uint8_t* bytes, std::size_t size, std::size_t at, const JpegTables& tables) {
    const int components = byteAt(bytes, size, at);
    const std::size_t after = at + 1 + 2 * static_cast<std::size_t>(components);
    const bool startsAtDc = byteAt(bytes, size, after) == 0;
    const bool needDc = !tables.progressive || startsAtDc, needAc = !tables.progressive || !startsAtDc;
    for (int c = 0; c < components; ++c) {
        const int ids = byteAt(bytes, size, at + 2 + 2 * static_cast<std::size_t>(c));
        if ((needDc && !tables.has(0, ids >> 4)) || (needAc && !tables.has(1, ids & 15))) return false;
    }
    return true;
}

}  // namespace

bool jpegHuffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
    // The decoder takes a start marker after any number of 0xFF fill bytes.
    std::size_t at = 0;
    while (at < size && bytes[at] == 0xFF) ++at;
    if (at == 0 || at >= size || bytes[at] != 0xD8) return true;
    ++at;
    JpegTables tables;
    const auto segmentFits = [&](std::uint8_t marker, std::size_t segment) {
        const int length = byteAt(bytes, size, segment + 2) << 8 | byteAt(bytes, size, segment + 3);
        if (marker == 0xC2) tables.progressive = true;
        if (marker == 0xC4) return huffmanSegmentFits(bytes, size, segment + 4, length, tables);
        if (marker == 0xDA) return scanTablesDefined(bytes, size, segment + 4, tables);
        return true;
    };
    // Up to the first scan: segment after segment.
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {  // not at a marker: the decoder scans on byte by byte
            ++at;
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD9) return true;  // end of image
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (!segmentFits(marker, at)) return false;
        const int length = byteAt(bytes, size, at + 2) << 8 | byteAt(bytes, size, at + 3);
        at += 2 + static_cast<std::size_t>(length);
        if (marker == 0xDA) break;
    }
    // After it, where the decoder resumes depends on how far its entropy decoding read; every
    // 0xFF 0xC4 is taken for a table and every 0xFF 0xDA for a scan (in valid data 0xFF is
    // followed by 0 or a restart there).
    for (; at + 1 < size; ++at)
        if (bytes[at] == 0xFF && (bytes[at + 1] == 0xC4 || bytes[at + 1] == 0xDA) && !segmentFits(bytes[at + 1], at))
            return false;
    return true;
}

bool pnmHeaderNumbersFit(const std::uint8_t* bytes, std::size_t size) {
    if (size < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return true;
    constexpr long kLargest = 1L << 24;  // the decoder's own limit for a side
    std::size_t at = 2;
    const auto space = [](std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    for (int number = 0; number < 3; ++number) {
        // White space and "#" comments up to the end of their line, as the decoder skips them.
        for (;;) {
            while (at < size && space(bytes[at])) ++at;
            if (at >= size || bytes[at] != '#') break;
            while (at < size && bytes[at] != '\n' && bytes[at] != '\r') ++at;
        }
        long value = 0;
        for (; at < size && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
            value = value * 10 + (bytes[at] - '0');
            if (value > kLargest) return false;
        }
    }
    return true;
}
