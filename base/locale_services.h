// Locale-dependent services the core needs: lower-casing, reading numbers
// and writing numbers and dates the way the user's locale does.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace pellomar {

// A number read from text, kept as an exact decimal ("1234.5", "-3",
// "1E+309") so that rendering rounds the written value, not a binary
// approximation of it.
struct DecimalNumber {
  std::string digits;  // ASCII decimal or scientific notation
  bool operator==(const DecimalNumber&) const = default;
};

class LocaleServices {
 public:
  virtual ~LocaleServices() = default;

  virtual std::u16string LowerCase(std::u16string_view text) const = 0;

  // The number the whole text denotes in the locale (surrounding U+0020
  // allowed), or nothing when it is not exactly one finite number.
  virtual std::optional<DecimalNumber> ParseNumber(std::u16string_view text) const = 0;

  // Exactly two fraction digits, halves away from zero, with the locale's
  // grouping and negative sign.
  virtual std::u16string FormatTwoDecimals(const DecimalNumber& number) const = 0;

  // The locale's short date followed by its medium time, in local time.
  virtual std::u16string FormatDateTime(std::chrono::system_clock::time_point when) const = 0;
};

}  // namespace pellomar
