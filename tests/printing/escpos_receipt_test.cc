#include "platform/cups/escpos_receipt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "tests/printing/receipt_fixture.h"
#include "tests/support/escpos_text.h"
#include "tests/support/pdf_words.h"

namespace pellomar {
namespace {

using testing::ColumnsOf;
using testing::EscPosLines;
using testing::Gb18030ToUtf8;

std::vector<std::u16string> Utf16Lines(const std::vector<std::string>& lines) {
  std::vector<std::u16string> out;
  for (const std::string& line : lines) out.push_back(Utf8ToUtf16(line));
  return out;
}

TEST(EscPosReceiptTest, BytesAreTheFrameAroundGb18030Lines) {
  const EscPosReceipt receipt = EncodeEscPosReceipt({u"单号:A1", u"", u"期待您再次光临！"});
  ASSERT_TRUE(receipt.ok()) << receipt.error;
  EXPECT_EQ(receipt.bytes,
            std::string("\x1b\x40\x1c\x26"
                        "\xb5\xa5\xba\xc5:A1\n"
                        "\n"
                        "\xc6\xda\xb4\xfd\xc4\xfa\xd4\xd9\xb4\xce\xb9\xe2\xc1\xd9\xa3\xa1\n"
                        "\n\n\n\x1d\x56\x42\x00",
                        4 + 8 + 1 + 17 + 7));
  EXPECT_TRUE(receipt.replaced.empty());
}

TEST(EscPosReceiptTest, EveryLineKeepsItsTextAndItsColumns) {
  const std::vector<std::string> lines = testing::SampleReceipt("A-1027");
  const EscPosReceipt receipt = EncodeEscPosReceipt(Utf16Lines(lines));
  ASSERT_TRUE(receipt.ok()) << receipt.error;
  const auto printed = EscPosLines(receipt.bytes);
  ASSERT_TRUE(printed);
  ASSERT_EQ(printed->size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(Gb18030ToUtf8((*printed)[i]), lines[i]);
    EXPECT_EQ(static_cast<int>((*printed)[i].size()), ColumnsOf(lines[i])) << lines[i];
  }
}

// Characters the printer cannot show in two bytes, and characters it would
// obey instead of printing.
TEST(EscPosReceiptTest, WhatCannotBePrintedAsItStandsIsReplacedInItsColumns) {
  const struct {
    std::u16string line;
    std::string printed;
    std::string replaced;
  } cases[] = {
      {u"冷面한식  1碗", "冷面？？  1碗", "U+D55C in line 1"},         // Hangul: four bytes
      {u"𠀀记小馆消费小票", "？记小馆消费小票", "U+20000 in line 1"},  // beyond the BMP
      {u"A\x1b"
       u"d\x05Z",
       "A d Z", "U+001B in line 1"},  // would feed five lines
      {u"Tea\tp\r\n", "Tea p  ", "U+0009 in line 1"},
      {std::u16string(u"x") + char16_t(0xD800) + u"y", "x？y", "U+D800 in line 1"},
  };
  for (const auto& c : cases) {
    const EscPosReceipt receipt = EncodeEscPosReceipt({c.line});
    ASSERT_TRUE(receipt.ok()) << receipt.error;
    const auto printed = EscPosLines(receipt.bytes);
    ASSERT_TRUE(printed) << c.printed;
    ASSERT_EQ(printed->size(), 1u) << c.printed;
    EXPECT_EQ(Gb18030ToUtf8((*printed)[0]), c.printed);
    EXPECT_EQ(static_cast<int>((*printed)[0].size()), ColumnsOf(c.printed));
    ASSERT_FALSE(receipt.replaced.empty()) << c.printed;
    EXPECT_EQ(receipt.replaced[0].substr(0, c.replaced.size()), c.replaced);
  }
}

}  // namespace
}  // namespace pellomar
