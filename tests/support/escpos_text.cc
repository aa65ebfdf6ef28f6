#include "tests/support/escpos_text.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include "platform/cups/escpos_receipt.h"

namespace pellomar::testing {

std::optional<std::vector<std::string>> EscPosLines(std::string_view job) {
  if (!job.starts_with(kEscPosPrologue) || !job.ends_with(kEscPosEpilogue)) return std::nullopt;
  std::string_view text = job.substr(kEscPosPrologue.size(),
                                     job.size() - kEscPosPrologue.size() - kEscPosEpilogue.size());
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // a line without its feed
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string Gb18030ToUtf8(std::string_view bytes) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* gb18030 = ucnv_open("GB18030", &status);
  std::u16string utf16(bytes.size() + 1, u'\0');
  const int32_t units = ucnv_toUChars(gb18030, utf16.data(), static_cast<int32_t>(utf16.size()),
                                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  ucnv_close(gb18030);
  if (U_FAILURE(status)) return "(undecodable: " + std::string(u_errorName(status)) + ")";
  std::string utf8(static_cast<std::size_t>(units) * 3 + 1, '\0');
  int32_t length = 0;
  u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, utf16.data(), units,
              &status);
  utf8.resize(static_cast<std::size_t>(length));
  return utf8;
}

}  // namespace pellomar::testing
