#include "shell/download_name.h"

#include <string>

namespace pellomar {

namespace {

// UTF-16 code units; at most three bytes each in UTF-8, so the longest name
// with its number stays under the usual 255-byte limit.
constexpr std::size_t kLongestName = 80;
constexpr std::size_t kLongestExtension = 16;
constexpr int kLastNumber = 9999;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters that have no place in a file name or make it read other than
// it is: controls, and the marks that reorder or hide text (a name that
// shows as "txt.exe" the other way round).
bool IsUnwanted(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF;
}

bool IsTrimmed(char16_t c) { return c == u'.' || c == u' '; }

// Drops unwanted characters and lone surrogates, which no file name encodes.
std::u16string KeepWanted(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c)) {
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        out.push_back(c);
        out.push_back(text[++i]);
      }
      continue;
    }
    if (IsLowSurrogate(c) || IsUnwanted(c)) continue;
    out.push_back(c);
  }
  return out;
}

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

// At most length units, never half of a surrogate pair.
std::u16string_view CutTo(std::u16string_view text, std::size_t length) {
  if (text.size() <= length) return text;
  if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
  return text.substr(0, length);
}

// Where the extension starts (at its dot), or the end when there is none.
std::size_t ExtensionStart(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return name.size();
  if (name.size() - dot > kLongestExtension) return name.size();
  return dot;
}

}  // namespace

bool MaySaveDownload(std::u16string_view request_origin, std::u16string_view response_origin,
                     std::u16string_view service_origin) {
  if (service_origin.empty() || request_origin != service_origin) return false;
  return response_origin.empty() || response_origin == service_origin;
}

std::u16string CleanDownloadName(std::u16string_view suggested) {
  const std::size_t separator = suggested.find_last_of(u"/\\");
  if (separator != std::u16string_view::npos) suggested.remove_prefix(separator + 1);
  const std::u16string wanted = KeepWanted(suggested);
  const std::u16string_view name = Trim(wanted);
  if (name.empty()) return u"下载";
  if (name.size() <= kLongestName) return std::u16string(name);
  const std::size_t extension = ExtensionStart(name);
  const std::u16string_view tail = name.substr(extension);
  const std::u16string_view stem =
      Trim(CutTo(name.substr(0, extension), kLongestName - tail.size()));
  return std::u16string(stem) + std::u16string(tail);
}

std::u16string FreeDownloadName(std::u16string_view clean_name,
                                const std::function<bool(std::u16string_view)>& taken) {
  if (!taken(clean_name)) return std::u16string(clean_name);
  const std::size_t extension = ExtensionStart(clean_name);
  const std::u16string_view stem = clean_name.substr(0, extension);
  const std::u16string_view tail = clean_name.substr(extension);
  for (int number = 2; number <= kLastNumber; ++number) {
    std::u16string candidate(stem);
    candidate += u" (";
    for (char c : std::to_string(number)) candidate.push_back(static_cast<char16_t>(c));
    candidate += u")";
    candidate += tail;
    if (!taken(candidate)) return candidate;
  }
  return {};
}

}  // namespace pellomar
