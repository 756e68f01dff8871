// Checks that run on an image file's bytes before the image library decodes them, for inputs
// that the library version this project builds with mishandles (writes past its own tables).
// Each check accepts everything that is not the damaging case; the decoder still judges the rest.
#pragma once

#include <cstddef>
#include <cstdint>

// False for a JPEG with a Huffman table (DHT) that declares more than 256 codes: the decoder
// writes them past its 257-entry size table. Not a JPEG, or no such table: true.
bool jpegHuffmanTablesFit(const std::uint8_t* bytes, std::size_t size);
