#include "base/report.h"

namespace pellomar {

std::string OneLine(std::string_view diagnostic) {
  constexpr std::size_t kMaxLength = 400;
  std::string line(diagnostic.substr(0, kMaxLength));
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return line;
}

}  // namespace pellomar
