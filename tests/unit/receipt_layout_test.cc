#include "receipt/receipt_layout.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/icu/icu_locale_services.h"
#include "tests/fakes/fixed_clock.h"

namespace pellomar {
namespace {

// Column width of a receipt line: code units, a CJK character taking two.
int Columns(const std::u16string& line) {
  int columns = 0;
  for (char16_t c : line) columns += (c >= 0x2E80) ? 2 : 1;
  return columns;
}

std::u16string S(int spaces) { return std::u16string(spaces, u' '); }

class ReceiptLayoutTest : public ::testing::Test {
 protected:
  std::unique_ptr<LocaleServices> locale_ = MakeIcuLocaleServices("zh_CN");
};

TEST_F(ReceiptLayoutTest, ItemLineTemplate) {
  const struct {
    ReceiptItem item;
    std::u16string line;
  } cases[] = {
      {{u"Tea", u"p", u"2", u"8"}, u"Tea" + S(8) + u"2p" + S(6) + u"8.00"},
      // Chinese names take two columns each: the quantity still ends in column 15.
      {{u"红烧肉", u"份", u"1", u"38"}, u"红烧肉" + S(8) + u"1份" + S(5) + u"38.00"},
      // Six-character name and four-character quantity need 16 columns: no space.
      {{u"宫保鸡丁盖饭", u"份", u"1000", u"5"}, u"宫保鸡丁盖饭1000份" + S(6) + u"5.00"},
      // Names cut to six after trimming, quantities trimmed then cut to four.
      {{u"  鱼香肉丝盖浇饭 ", u"份", u" 12345 ", u"1"}, u"鱼香肉丝盖浇1234份" + S(6) + u"1.00"},
      // The unit keeps only its first character and is not trimmed.
      {{u"Tea", u" pot", u"2", u"8"}, u"Tea" + S(8) + u"2 " + S(6) + u"8.00"},
      {{u"Tea", u"", u"2", u"8"}, u"Tea" + S(8) + u"2" + S(6) + u"8.00"},
      // Amounts longer than nine characters lose their end; one space remains.
      {{u"Tea", u"p", u"1", u"123456789"}, u"Tea" + S(8) + u"1p" + S(1) + u"123,456,7"},
      {{u"Tea", u"p", u"1", u"-1234.5"}, u"Tea" + S(8) + u"1p" + S(1) + u"-1,234.50"},
      // Tabs are not trimmed and count like any other character.
      {{u"\tTea", u"p", u"2", u"8"}, u"\tTea" + S(6) + u"2p" + S(6) + u"8.00"},
      {{u"Tea", u"p", u" 2\t", u"8"}, u"Tea" + S(7) + u"2\tp" + S(6) + u"8.00"},
      {{u"Tea", u"p", u"\t12345 ", u"8"}, u"Tea" + S(5) + u"\t123p" + S(6) + u"8.00"},
      {{u"", u"", u"", u"0"}, S(15) + S(6) + u"0.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatItemLine(c.item, *locale_), c.line) << Utf16ToUtf8(c.item.name);
  }
}

TEST_F(ReceiptLayoutTest, ItemLineFitsTheColumnsWhenNameAndQuantityFit) {
  for (const std::u16string name : {u"宫保鸡丁", u"茶", u"麻婆豆腐饭"}) {
    const auto line = FormatItemLine({name, u"份", u"12", u"1234.5"}, *locale_);
    ASSERT_TRUE(line);
    // 15 columns of name and quantity, the unit, ten for the amount.
    EXPECT_EQ(Columns(*line), 15 + Columns(u"份") + 10) << Utf16ToUtf8(*line);
  }
}

TEST_F(ReceiptLayoutTest, ItemLineRefusesAmountThatIsNotANumber) {
  EXPECT_FALSE(FormatItemLine({u"Tea", u"p", u"2", u"abc"}, *locale_));
}

ReceiptData SampleReceipt() {
  ReceiptData data;
  data.ShopName = u"蓝天酒家";
  data.OrderNumber = u"A1024";
  data.TableNumber = u"大厅 3号";
  data.Waiter = u"王芳";
  data.Cashier = u"李明";
  data.Items = {{u"红烧肉", u"份", u"1", u"38"}, {u"Tea", u"p", u"2", u"8"}};
  data.Total = u"54";
  data.Paid = u"100";
  data.BookingPhone = u"010-12345678";
  data.SettledAt = testing::SampleSettlementTime();
  return data;
}

TEST_F(ReceiptLayoutTest, WholeReceiptInOrder) {
  const ReceiptLinesResult receipt = ReceiptLines(SampleReceipt(), *locale_);
  ASSERT_FALSE(receipt.error);
  const std::vector<std::u16string> expected = {
      u"    ",
      u"    蓝天酒家消费小票",
      u"",
      u"单号:A1024",
      u"厅台号:大厅 3号",
      u"服务员:王芳",
      u"收银员:李明",
      u"",
      u"项目            数量  金额   ",
      u"-----------------------------",
      u"红烧肉" + S(8) + u"1份" + S(5) + u"38.00",
      u"Tea" + S(8) + u"2p" + S(6) + u"8.00",
      u"-----------------------------",
      u"小计:54.00元",
      u"应收金额:54.00元",
      u"实收金额:100.00元",
      u"-----------------------------",
      u"蓝天酒家期待您再次光临！",
      u"预订电话:010-12345678",
      u"结算时间:2026/12/11 14:03:05",
  };
  EXPECT_EQ(receipt.lines, expected);
  EXPECT_EQ(Columns(expected[8]), 29);
  EXPECT_EQ(Columns(expected[9]), 29);
}

TEST_F(ReceiptLayoutTest, ShopNameCutAndEmpty) {
  ReceiptData data = SampleReceipt();
  data.ShopName = u"北京蓝天大酒家总店";
  ReceiptLinesResult receipt = ReceiptLines(data, *locale_);
  EXPECT_EQ(receipt.lines[1], u"    北京蓝天大酒消费小票");
  EXPECT_EQ(receipt.lines[17], u"北京蓝天大酒期待您再次光临！");

  // Outer spaces are kept, and count towards the six that are kept.
  data.ShopName = u" 蓝天 ";
  receipt = ReceiptLines(data, *locale_);
  EXPECT_EQ(receipt.lines[1], u"     蓝天 消费小票");
  EXPECT_EQ(receipt.lines[17], u" 蓝天 期待您再次光临！");
  data.ShopName = u"  北京蓝天大酒家";
  receipt = ReceiptLines(data, *locale_);
  EXPECT_EQ(receipt.lines[1], u"      北京蓝天消费小票");

  data.ShopName = u"";
  receipt = ReceiptLines(data, *locale_);
  EXPECT_EQ(receipt.lines[1], u"    消费小票");
  EXPECT_EQ(receipt.lines[17], u"期待您再次光临！");
}

TEST_F(ReceiptLayoutTest, NoItemsGivesHeaderThenTwoRules) {
  ReceiptData data = SampleReceipt();
  data.Items.clear();
  const ReceiptLinesResult receipt = ReceiptLines(data, *locale_);
  ASSERT_EQ(receipt.lines.size(), 18u);
  EXPECT_EQ(receipt.lines[8], kReceiptHeader);
  EXPECT_EQ(receipt.lines[9], kReceiptRule);
  EXPECT_EQ(receipt.lines[10], kReceiptRule);
  EXPECT_EQ(receipt.lines[11], u"小计:54.00元");
}

TEST_F(ReceiptLayoutTest, UncutFieldsPrintAtAnyLength) {
  ReceiptData data = SampleReceipt();
  data.OrderNumber = std::u16string(100, u'9');
  data.Waiter = u"";
  const ReceiptLinesResult receipt = ReceiptLines(data, *locale_);
  EXPECT_EQ(receipt.lines[3], u"单号:" + std::u16string(100, u'9'));
  EXPECT_EQ(receipt.lines[5], u"服务员:");
}

TEST_F(ReceiptLayoutTest, AnyUnconvertibleNumberGivesNoLinesAtAll) {
  using Kind = LayoutError::Kind;
  const struct {
    void (*spoil)(ReceiptData&);
    Kind kind;
    std::size_t item_index;
    std::u16string item_name;
  } cases[] = {
      {[](ReceiptData& d) { d.Total = u"abc"; }, Kind::kTotal, 0, u""},
      {[](ReceiptData& d) { d.Paid = u""; }, Kind::kPaid, 0, u""},
      {[](ReceiptData& d) { d.Items[1].amount = u"八元"; }, Kind::kItemAmount, 1, u"Tea"},
      // An item named like a field is still an item.
      {[](ReceiptData& d) {
         d.Items[0].name = u"zje";
         d.Items[0].amount = u"x";
       },
       Kind::kItemAmount, 0, u"zje"},
  };
  for (const auto& c : cases) {
    ReceiptData data = SampleReceipt();
    c.spoil(data);
    const ReceiptLinesResult receipt = ReceiptLines(data, *locale_);
    ASSERT_TRUE(receipt.error);
    EXPECT_EQ(receipt.error->kind, c.kind);
    EXPECT_EQ(receipt.error->item_index, c.item_index);
    EXPECT_EQ(receipt.error->item_name, c.item_name);
    EXPECT_TRUE(receipt.lines.empty());
  }
}

}  // namespace
}  // namespace pellomar
