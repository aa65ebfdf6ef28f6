// The text model of the core: UTF-16 code units, because receipt columns,
// cuts and padding are counted in code units.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellomar {

// Cuts at every occurrence of `separator`, keeping empty fields. An empty
// text has no fields at all (not one empty field).
std::vector<std::u16string> SplitAt(std::u16string_view text, char16_t separator);

// Removes leading and trailing U+0020 only; tabs, line breaks and the
// ideographic space U+3000 are kept.
std::u16string_view TrimSpaces(std::u16string_view text);

// The text itself when it has at most n code units, else its first n.
std::u16string ClipText(std::u16string_view text, int n);

// `text` repeated n times; empty when n <= 0.
std::u16string RepeatText(std::u16string_view text, int n);

// Turns the escapes an HTML serializer writes into text back into their
// characters: &amp; &lt; &gt; &quot; &nbsp;. Tags are left as they are.
std::u16string UnescapeSerializedText(std::u16string_view markup);

// Conversions for the platform edge and for diagnostics. Invalid input
// (bad UTF-8, lone surrogates) becomes U+FFFD; nothing throws.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace pellomar
