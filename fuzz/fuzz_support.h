// Shared by the fuzz targets: invariant checks that abort, and the mapping
// from fuzz bytes to core text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"

// Aborts with the broken invariant so that libFuzzer keeps the input.
#define FUZZ_REQUIRE(condition) \
  ::pellomar::fuzz::Require(static_cast<bool>(condition), #condition, __FILE__, __LINE__)

namespace pellomar::fuzz {

inline void Require(bool holds, const char* invariant, const char* file, int line) {
  if (holds) return;
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, invariant);
  std::abort();
}

inline std::string_view AsBytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Bytes as text: UTF-8, except that 0xFF takes the next two bytes as one raw
// UTF-16 code unit (little-endian). Seeds stay readable, and lone surrogates
// and every other code unit are still reachable.
inline std::u16string FuzzText(std::string_view bytes) {
  constexpr char kRawUnit = '\xFF';
  std::u16string text;
  std::size_t run = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != kRawUnit || i + 2 >= bytes.size()) {
      ++i;
      continue;
    }
    text += Utf8ToUtf16(bytes.substr(run, i - run));
    const auto low = static_cast<unsigned char>(bytes[i + 1]);
    const auto high = static_cast<unsigned char>(bytes[i + 2]);
    text.push_back(static_cast<char16_t>(low | (high << 8)));
    i += 3;
    run = i;
  }
  text += Utf8ToUtf16(bytes.substr(run));
  return text;
}

}  // namespace pellomar::fuzz
