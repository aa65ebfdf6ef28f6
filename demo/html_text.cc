#include "demo/html_text.h"

#include <glib.h>

#include <cstdio>

#include "platform/gtk/glib_handles.h"

namespace pellomar::demo {

std::string EscapeHtml(std::string_view text) {
  // The escaper takes UTF-8 only; what a form sent may not be.
  GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  GCharPtr escaped(g_markup_escape_text(valid.get(), -1));
  return escaped.get();
}

std::string FillTemplate(std::string_view page,
                         std::initializer_list<std::pair<std::string_view, std::string>> values) {
  std::string filled;
  size_t at = 0;
  while (at < page.size()) {
    size_t open = page.find("{{", at);
    size_t close = open == std::string_view::npos ? open : page.find("}}", open + 2);
    if (close == std::string_view::npos) break;
    filled.append(page.substr(at, open - at));
    std::string_view name = page.substr(open + 2, close - open - 2);
    bool known = false;
    for (const auto& [key, value] : values) {
      if (key == name) {
        filled += value;
        known = true;
        break;
      }
    }
    // An unknown name is kept, so a typo shows on the page instead of vanishing.
    if (!known) filled.append(page.substr(open, close + 2 - open));
    at = close + 2;
  }
  filled.append(page.substr(at < page.size() ? at : page.size()));
  return filled;
}

std::string FormatCents(long cents) {
  char text[32];
  const char* sign = cents < 0 ? "-" : "";
  long magnitude = cents < 0 ? -cents : cents;
  std::snprintf(text, sizeof text, "%s%ld.%02ld", sign, magnitude / 100, magnitude % 100);
  return text;
}

}  // namespace pellomar::demo
