// Eight bytes at a time, for the plan reader and the record table finding
// the separators of a row's fields: only where the machine keeps the first
// byte lowest in a word (elsewhere they go byte by byte).
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

constexpr bool kByteWords = std::endian::native == std::endian::little;

// 0x80 in each of the eight bytes at p that is c, 0 in the others.
inline uint64_t BytesThatAre(const char* p, char c) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;
  uint64_t w;
  std::memcpy(&w, p, 8);
  const uint64_t x = w ^ (kOnes * static_cast<unsigned char>(c));
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// How many bytes BytesThatAre marked.
inline uint32_t MarkedBytes(uint64_t flags) {
  return static_cast<uint32_t>(((flags >> 7) * 0x0101010101010101ull) >> 56);
}
