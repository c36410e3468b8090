#pragma once

#include <cstddef>
#include <cstdint>

// How a fuzz input drives a link client: byte 0 picks the client's mode
// (bit 0), byte 1 how the rest is cut into received pieces (0: all at once,
// otherwise pseudo-random pieces of 1 to 4 × byte 1 bytes), the rest are the
// received bytes. The corpus replay test cuts inputs the same way.
namespace FuzzInput {

inline int mode(const uint8_t* data, size_t size)
{
    return size > 0 ? (data[0] & 1) : 0;
}

template <typename Feed>
void feedInPieces(const uint8_t* data, size_t size, Feed feed)
{
    if (size < 2)
        return;
    const uint8_t split = data[1];
    const uint8_t* bytes = data + 2;
    size_t left = size - 2;
    uint32_t state = 0x9E3779B9u ^ split;
    while (left > 0) {
        size_t piece = left;
        if (split != 0) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            piece = 1 + state % (4u * split);
            if (piece > left)
                piece = left;
        }
        feed(reinterpret_cast<const char*>(bytes), int(piece));
        bytes += piece;
        left -= piece;
    }
}

}
