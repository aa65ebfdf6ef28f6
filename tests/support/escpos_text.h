// Reading back what an ESC/POS receipt job holds: its frame of commands and
// its lines of GB18030 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellomar::testing {

// The bytes of each line between the initialising prologue and the
// feed-and-cut epilogue, without their line feeds; nothing when the job is
// not framed so.
std::optional<std::vector<std::string>> EscPosLines(std::string_view job);

// GB18030 to UTF-8 through ICU; the decoder's substitute marks bad bytes.
std::string Gb18030ToUtf8(std::string_view bytes);

}  // namespace pellomar::testing
