// The program's diagnostics: g_warning (something went wrong) and g_message
// (worth knowing) under the "pellomar" log domain, which the build sets for
// every platform source, reach stderr as one line each: "pellomar: <text>".
#pragma once

#include <string>
#include <string_view>

namespace pellomar {

// Routes the program's log domain to one-line diagnostics; other domains
// keep GLib's own handling. Safe to call any number of times.
void UseOneLineDiagnostics();

// The line written for `message`: line breaks inside it (texts a page sent,
// a server's words) become spaces, so one diagnostic is always one line.
std::string DiagnosticLine(std::string_view message);

}  // namespace pellomar
