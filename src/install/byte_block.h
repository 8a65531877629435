#pragma once
// A byte block as stored: int32 dimension count (1), int32 byte count N, then the N bytes.
// Blocks are packed without alignment, so the count is read with memcpy, never through an int*.
#include <cstdint>
#include <cstring>

struct ByteBlock {
  unsigned char raw[8];
  unsigned char content[];  // N bytes; the block's size is known only from its header

  std::int32_t Count() const {
    std::int32_t n;
    std::memcpy(&n, raw + 4, sizeof n);
    return n;
  }
  const unsigned char* Content() const { return content; }
};

// The Quorvane program, carried in the installer's read-only data.
extern "C" const ByteBlock PayloadImage;
