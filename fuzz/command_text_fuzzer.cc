// The command text of the middle frame: undoing the serializer's escapes,
// splitting at ",", trimming, and the UTF conversions at the platform edge.
#include <algorithm>

#include "base/report.h"
#include "base/text.h"
#include "bridge/page_dispatch.h"
#include "fuzz/fuzz_support.h"

namespace pellomar::fuzz {
namespace {

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The text with every unpaired surrogate replaced by U+FFFD.
std::u16string WithLoneSurrogatesReplaced(std::u16string_view text) {
  std::u16string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF;
    if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      ++i;
    } else if (IsSurrogate(out[i])) {
      out[i] = 0xFFFD;
    }
  }
  return out;
}

void CheckSplit(std::u16string_view body) {
  const std::u16string text = UnescapeSerializedText(body);
  FUZZ_REQUIRE(text.size() <= body.size());
  if (body.find(u'&') == std::u16string_view::npos) FUZZ_REQUIRE(text == body);

  const PageCommand command = PageCommand::FromBodyMarkup(body);
  FUZZ_REQUIRE(command.fields == SplitAt(text, u','));
  const auto commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), u','));
  FUZZ_REQUIRE(command.fields.size() == (text.empty() ? 0 : commas + 1));

  std::u16string joined;
  for (std::size_t i = 0; i < command.fields.size(); ++i) {
    FUZZ_REQUIRE(command.fields[i].find(u',') == std::u16string::npos);
    if (i > 0) joined += u',';
    joined += command.fields[i];
  }
  FUZZ_REQUIRE(joined == text);
}

void CheckTrim(std::u16string_view text) {
  const std::u16string_view trimmed = TrimSpaces(text);
  if (trimmed.empty()) {
    FUZZ_REQUIRE(text.find_first_not_of(u' ') == std::u16string_view::npos);
    return;
  }
  FUZZ_REQUIRE(trimmed.front() != u' ' && trimmed.back() != u' ');
  const std::size_t leading = text.find_first_not_of(u' ');
  FUZZ_REQUIRE(text.substr(leading, trimmed.size()) == trimmed);
  FUZZ_REQUIRE(text.find_first_not_of(u' ', leading + trimmed.size()) == std::u16string_view::npos);
}

void CheckConversions(std::u16string_view text) {
  const std::string utf8 = Utf16ToUtf8(text);
  FUZZ_REQUIRE(Utf8ToUtf16(utf8) == WithLoneSurrogatesReplaced(text));

  const std::string line = OneLine(utf8);
  FUZZ_REQUIRE(line.size() <= utf8.size());
  FUZZ_REQUIRE(std::none_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  }));
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellomar::fuzz;
  const std::u16string body = FuzzText(AsBytes(data, size));
  CheckSplit(body);
  CheckTrim(body);
  CheckConversions(body);
  return 0;
}
