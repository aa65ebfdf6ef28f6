// A receipt as the commands of an ESC/POS receipt printer: initialise, the
// printer's Chinese character mode, every line in GB18030 followed by a line
// feed, then a few feeds and a feed-and-cut (printers without a cutter ignore
// it). In GB18030's two-byte range a Chinese character is two bytes and takes
// two columns of the printer's own font, so the receipt's columns hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellomar {

// ESC @ (initialise), FS & (Chinese character mode).
inline constexpr std::string_view kEscPosPrologue{"\x1b\x40\x1c\x26", 4};
// Line feeds that bring the last line past the cutter, then GS V 66 0: feed
// to the cutting position and cut.
inline constexpr std::string_view kEscPosEpilogue{"\n\n\n\x1d\x56\x42\x00", 7};

// Printed in place of a character the printer cannot show in two bytes: the
// full-width question mark, two columns like the character it stands for.
inline constexpr char16_t kEscPosStandIn = u'？';

struct EscPosReceipt {
  std::string bytes;                  // the whole job; empty on failure
  std::vector<std::string> replaced;  // what was not printed as it stands, for the diagnostic
  std::string error;                  // why nothing was encoded
  bool ok() const { return error.empty(); }
};

EscPosReceipt EncodeEscPosReceipt(const std::vector<std::u16string>& lines);

}  // namespace pellomar
