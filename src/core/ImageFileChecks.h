// Checks that run on an image file's bytes before the image library decodes them, for inputs
// that the library version this project builds with mishandles (writes past its own tables).
// Each check accepts everything that is not the damaging case; the decoder still judges the rest.
#pragma once

#include <cstddef>
#include <cstdint>

// False for a JPEG with a Huffman table (DHT) that declares more than 256 codes (the decoder
// writes them past its 257-entry size table), or with a scan that uses a Huffman table no DHT
// has defined before it (the decoder reads that table uninitialised and indexes past its symbol
// table). Not a JPEG, or neither case: true.
bool jpegHuffmanTablesFit(const std::uint8_t* bytes, std::size_t size);

// False for a binary PNM (P5, P6) whose width, height or maximum value has more digits than the
// decoder's int can take (it multiplies past the int range) or exceeds 2^24. Otherwise true.
bool pnmHeaderNumbersFit(const std::uint8_t* bytes, std::size_t size);
