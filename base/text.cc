#include "base/text.h"

#include <algorithm>
#include <array>

namespace pellomar {

std::vector<std::u16string> SplitAt(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> fields;
  if (text.empty()) return fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t cut = text.find(separator, start);
    if (cut == std::u16string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, cut - start));
    start = cut + 1;
  }
}

std::u16string_view TrimSpaces(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

std::u16string ClipText(std::u16string_view text, int n) {
  if (n <= 0) return {};
  return std::u16string(text.substr(0, static_cast<std::size_t>(n)));
}

std::u16string RepeatText(std::u16string_view text, int n) {
  std::u16string out;
  if (n <= 0) return out;
  out.reserve(text.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out.append(text);
  return out;
}

namespace {

struct Escape {
  std::u16string_view written;
  char16_t character;
};

// The only escapes an HTML serializer emits in text content (&quot; in
// attribute values, kept for safety).
constexpr std::array<Escape, 5> kSerializerEscapes{{
    {u"&amp;", u'&'},
    {u"&lt;", u'<'},
    {u"&gt;", u'>'},
    {u"&quot;", u'"'},
    {u"&nbsp;", u'\u00A0'},
}};

}  // namespace

std::u16string UnescapeSerializedText(std::u16string_view markup) {
  std::u16string out;
  out.reserve(markup.size());
  std::size_t i = 0;
  while (i < markup.size()) {
    const std::size_t amp = markup.find(u'&', i);
    if (amp == std::u16string_view::npos) {
      out.append(markup.substr(i));
      break;
    }
    out.append(markup.substr(i, amp - i));
    const std::u16string_view rest = markup.substr(amp);
    const auto escape = std::find_if(kSerializerEscapes.begin(), kSerializerEscapes.end(),
                                     [&](const Escape& e) { return rest.starts_with(e.written); });
    if (escape == kSerializerEscapes.end()) {
      out.push_back(u'&');
      i = amp + 1;
    } else {
      out.push_back(escape->character);
      i = amp + escape->written.size();
    }
  }
  return out;
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at `i`, advancing it; malformed, overlong and
// surrogate encodings give U+FFFD and consume one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  int length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + length > s.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += length;
  return c;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) AppendUtf16(out, DecodeUtf8(utf8, i));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    char32_t c = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace pellomar
