#include "platform/cups/escpos_receipt.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <memory>

namespace pellomar {

namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using OwnedConverter = std::unique_ptr<UConverter, ConverterCloser>;

std::string CodePointName(UChar32 c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

// The GB18030 bytes of one character; empty when it has none.
std::string Encode(UConverter* gb18030, const char16_t* units, int length) {
  char out[8];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written = ucnv_fromUChars(gb18030, out, sizeof out, units, length, &status);
  if (U_FAILURE(status)) return {};
  return std::string(out, static_cast<std::size_t>(written));
}

bool IsControl(UChar32 c) { return c < 0x20 || c == 0x7f; }

}  // namespace

EscPosReceipt EncodeEscPosReceipt(const std::vector<std::u16string>& lines) {
  UErrorCode status = U_ZERO_ERROR;
  OwnedConverter gb18030(ucnv_open("GB18030", &status));
  if (U_FAILURE(status)) {
    return {.bytes = {}, .replaced = {}, .error = std::string("GB18030: ") + u_errorName(status)};
  }
  // Unpaired surrogates must fail rather than turn into the converter's own
  // substitute, which is one byte wide.
  ucnv_setFromUCallBack(gb18030.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
  const std::string stand_in = Encode(gb18030.get(), &kEscPosStandIn, 1);
  if (U_FAILURE(status) || stand_in.size() != 2) {
    return {.bytes = {}, .replaced = {}, .error = "GB18030 has no two-byte full-width \"？\""};
  }

  EscPosReceipt receipt;
  receipt.bytes.append(kEscPosPrologue);
  for (std::size_t row = 0; row < lines.size(); ++row) {
    const std::u16string& line = lines[row];
    const std::string where = " in line " + std::to_string(row + 1);
    for (std::size_t i = 0; i < line.size();) {
      const std::size_t start = i;
      UChar32 c;
      U16_NEXT(line.data(), i, line.size(), c);
      if (IsControl(c)) {
        // A control character would be obeyed, not printed: the line breaks,
        // or the rest of the line becomes a printer command. One column, as
        // the layout counted it.
        receipt.bytes.push_back(' ');
        receipt.replaced.push_back(CodePointName(c) + where +
                                   " (a control character, printed as a space)");
        continue;
      }
      const std::string bytes = U_IS_SURROGATE(c) ? std::string()
                                                  : Encode(gb18030.get(), line.data() + start,
                                                           static_cast<int>(i - start));
      // One byte is ASCII, one column; two bytes are two columns. Anything
      // else would shift the columns on the printer.
      if (bytes.size() == 1 || bytes.size() == 2) {
        receipt.bytes.append(bytes);
      } else {
        receipt.bytes.append(stand_in);
        receipt.replaced.push_back(CodePointName(c) + where);
      }
    }
    receipt.bytes.push_back('\n');
  }
  receipt.bytes.append(kEscPosEpilogue);
  return receipt;
}

}  // namespace pellomar
