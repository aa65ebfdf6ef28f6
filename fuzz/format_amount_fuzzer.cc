// Amounts as the page writes them, rendered with two decimals under zh_CN
// and en_US.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/locale_services.h"
#include "fuzz/fuzz_support.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"

namespace pellomar::fuzz {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// -?d{1,3}(,ddd)*.dd : both locales group by three with "," and use "."
// and a leading "-".
bool IsTwoDecimalAmount(std::u16string_view text) {
  if (text.starts_with(u'-')) text.remove_prefix(1);
  const std::size_t point = text.find(u'.');
  if (point == std::u16string_view::npos || text.size() != point + 3) return false;
  if (!IsDigit(text[point + 1]) || !IsDigit(text[point + 2])) return false;
  const std::u16string_view whole = text.substr(0, point);
  if (whole.empty() || !IsDigit(whole.front())) return false;
  for (std::size_t k = 0; k < whole.size(); ++k) {
    const bool comma_place = (whole.size() - 1 - k) % 4 == 3;
    if (comma_place ? whole[k] != u',' : !IsDigit(whole[k])) return false;
  }
  return true;
}

// The value in hundredths, halves away from zero, of a plain ASCII decimal
// small enough to work out exactly: optional spaces and "-", up to 12
// digits, up to 6 decimals.
struct Cents {
  bool negative = false;
  int64_t magnitude = 0;
};

std::optional<Cents> PlainDecimalInCents(std::u16string_view text) {
  const std::u16string_view t = TrimSpaces(text);
  Cents cents;
  std::size_t i = 0;
  if (t.starts_with(u'-')) cents.negative = true, ++i;
  int64_t millionths = 0;
  std::size_t digits = 0, decimals = 0;
  for (; i < t.size() && IsDigit(t[i]); ++i, ++digits) {
    if (digits == 12) return std::nullopt;
    millionths = millionths * 10 + (t[i] - u'0');
  }
  millionths *= 1000000;
  if (i < t.size() && t[i] == u'.') {
    int64_t scale = 100000;
    for (++i; i < t.size() && IsDigit(t[i]); ++i, ++decimals, scale /= 10) {
      if (decimals < 6) millionths += (t[i] - u'0') * scale;
    }
    if (decimals == 0) return std::nullopt;
  }
  if (i != t.size() || digits == 0 || digits > 12 || decimals > 6) return std::nullopt;
  cents.magnitude = (millionths + 5000) / 10000;
  return cents;
}

Cents RenderedCents(std::u16string_view amount) {
  Cents cents;
  for (char16_t c : amount) {
    if (c == u'-') cents.negative = true;
    if (IsDigit(c)) cents.magnitude = cents.magnitude * 10 + (c - u'0');
  }
  return cents;
}

void Check(std::u16string_view text, const LocaleServices& locale) {
  const std::optional<std::u16string> amount = FormatAmount(text, locale);
  const std::optional<Cents> plain = PlainDecimalInCents(text);
  if (plain) FUZZ_REQUIRE(amount.has_value());
  if (!amount) return;
  FUZZ_REQUIRE(IsTwoDecimalAmount(*amount));
  if (!plain) return;
  const Cents rendered = RenderedCents(*amount);
  FUZZ_REQUIRE(rendered.magnitude == plain->magnitude);
  if (plain->magnitude != 0) FUZZ_REQUIRE(rendered.negative == plain->negative);
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellomar;
  static const std::unique_ptr<LocaleServices> zh_cn = MakeIcuLocaleServices("zh_CN");
  static const std::unique_ptr<LocaleServices> en_us = MakeIcuLocaleServices("en_US");
  const std::u16string text = fuzz::FuzzText(fuzz::AsBytes(data, size));
  fuzz::Check(text, *zh_cn);
  fuzz::Check(text, *en_us);
  return 0;
}
