#include "base/text.h"

#include <gtest/gtest.h>

#include "base/report.h"

namespace pellomar {
namespace {

using Fields = std::vector<std::u16string>;

TEST(SplitAt, KeepsEmptyFieldsAndGivesNoFieldsForEmptyText) {
  const struct {
    std::u16string text;
    Fields fields;
  } cases[] = {
      {u"", {}},
      {u"1", {u"1"}},
      {u",", {u"", u""}},
      {u"1,,x", {u"1", u"", u"x"}},
      {u"1,", {u"1", u""}},
      {u",a,", {u"", u"a", u""}},
      {u"菜,份,,2,8", {u"菜", u"份", u"", u"2", u"8"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitAt(c.text, u','), c.fields) << Utf16ToUtf8(c.text);
  }
}

TEST(SplitAt, ManyFieldsInLinearPass) {
  const std::u16string text(200000, u',');
  EXPECT_EQ(SplitAt(text, u',').size(), 200001u);
}

TEST(TrimSpaces, RemovesOnlyAsciiSpaces) {
  EXPECT_EQ(TrimSpaces(u"  Tea "), u"Tea");
  EXPECT_EQ(TrimSpaces(u"   "), u"");
  EXPECT_EQ(TrimSpaces(u""), u"");
  EXPECT_EQ(TrimSpaces(u"\tTea\n"), u"\tTea\n");
  EXPECT_EQ(TrimSpaces(u"\u3000茶\u3000"), u"\u3000茶\u3000");
  EXPECT_EQ(TrimSpaces(u" a b "), u"a b");
}

TEST(ClipAndRepeat, CountCodeUnits) {
  EXPECT_EQ(ClipText(u"宫保鸡丁盖浇饭", 6), u"宫保鸡丁盖浇");
  EXPECT_EQ(ClipText(u"Tea", 6), u"Tea");
  EXPECT_EQ(ClipText(u"Tea", 0), u"");
  EXPECT_EQ(ClipText(u"Tea", -2), u"");
  EXPECT_EQ(RepeatText(u" ", 3), u"   ");
  EXPECT_EQ(RepeatText(u"ab", 2), u"abab");
  EXPECT_EQ(RepeatText(u" ", 0), u"");
  EXPECT_EQ(RepeatText(u" ", -1), u"");
}

TEST(UnescapeSerializedText, UndoesSerializerEscapesOnly) {
  const struct {
    std::u16string markup;
    std::u16string text;
  } cases[] = {
      {u"2,Com_Tel=123&amp;Com_nName=Shop", u"2,Com_Tel=123&Com_nName=Shop"},
      {u"&lt;b&gt;1&lt;/b&gt;", u"<b>1</b>"},
      {u"<b>1</b>", u"<b>1</b>"},
      {u"&quot;x&quot;&nbsp;", u"\"x\"\u00A0"},
      {u"&amp;amp;", u"&amp;"},
      {u"a&b&#38;&", u"a&b&#38;&"},
      {u"&", u"&"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnescapeSerializedText(c.markup), c.text) << Utf16ToUtf8(c.markup);
  }
}

TEST(Utf, RoundTripsAndReplacesInvalidInput) {
  const std::u16string mixed = u"消费小票 Tea 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(mixed)), mixed);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("a\xE6\xB6"), u"a\uFFFD\uFFFD");          // cut short
}

TEST(OneLine, KeepsDiagnosticsOnOneBoundedLine) {
  EXPECT_EQ(OneLine("a\nb\rc\td"), "a b c d");
  EXPECT_EQ(OneLine(std::string(5000, 'x')).size(), 400u);
}

}  // namespace
}  // namespace pellomar
