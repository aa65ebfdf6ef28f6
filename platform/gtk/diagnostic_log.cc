#include "platform/gtk/diagnostic_log.h"

#include <glib.h>

#include <cstdio>

namespace pellomar {

namespace {

void WriteDiagnostic(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  const std::string line = DiagnosticLine(message == nullptr ? "" : message);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

std::string DiagnosticLine(std::string_view message) {
  std::string line = G_LOG_DOMAIN ": ";
  for (char c : message) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
  line.push_back('\n');
  return line;
}

void UseOneLineDiagnostics() {
  static const guint handler = g_log_set_handler(
      G_LOG_DOMAIN,
      static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
      WriteDiagnostic, nullptr);
  (void)handler;
}

}  // namespace pellomar
