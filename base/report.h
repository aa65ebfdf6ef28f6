// What the core hands back when it refused or failed to do something: a
// short notice for the person at the till and one line for stderr.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pellomar {

struct Report {
  std::u16string notice;   // Chinese, shown in the window
  std::string diagnostic;  // English, one line, for stderr
};

// A result that is either success or a report.
using Failure = std::optional<Report>;

}  // namespace pellomar

namespace pellomar {

// A diagnostic made safe for one stderr line: control characters become
// spaces and the length is bounded.
std::string OneLine(std::string_view diagnostic);

}  // namespace pellomar
