// Small helpers for writing the demo's pages as UTF-8 markup.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace pellomar::demo {

// Text made safe for element content and quoted attribute values.
std::string EscapeHtml(std::string_view text);

// `page` with every "{{name}}" replaced by its value, values inserted as given.
std::string FillTemplate(std::string_view page,
                         std::initializer_list<std::pair<std::string_view, std::string>> values);

// Cents as a decimal amount with two places: 3800 -> "38.00".
std::string FormatCents(long cents);

}  // namespace pellomar::demo
