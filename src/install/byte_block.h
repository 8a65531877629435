#pragma once
// A byte block as stored: int32 dimension count (1), int32 byte count N, then the N bytes.
// Blocks are packed without alignment, so the count is read with memcpy, never through an int*.
#include <cstdint>
#include <cstring>

struct ByteBlock {
  unsigned char raw[8];  // the header; the content follows it directly in memory

  std::int32_t Count() const {
    std::int32_t n;
    std::memcpy(&n, raw + 4, sizeof n);
    return n;
  }
  const unsigned char* Content() const { return raw + 8; }
};

// The Quorvane program, carried in the installer's read-only data.
extern "C" const ByteBlock PayloadImage;
