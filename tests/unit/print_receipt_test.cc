#include "receipt/print_receipt.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "receipt/receipt_layout.h"
#include "tests/unit/core_fixture.h"

namespace pellomar::testing {
namespace {

using PrintReceiptTest = CoreFixture;

std::u16string Line(std::u16string name, std::u16string unit, std::u16string quantity,
                    std::u16string amount) {
  return *FormatItemLine({name, unit, quantity, amount}, *MakeIcuLocaleServices("zh_CN"));
}

TEST_F(PrintReceiptTest, PrintsCheckedCheckboxesInDocumentOrder) {
  ShowPage(u"1", OrderPage({
                     {u"text", false, std::nullopt},
                     Checkbox(u"红烧肉,份,x,1,38"),
                     Checkbox(u"米饭,碗,x,2,4", /*checked=*/false),
                     {u"radio", true, u"Radio,p,x,1,9"},
                     Checkbox(u"Tea,p,x,2,8,extra,fields"),
                 }));
  EXPECT_FALSE(Complete());
  EXPECT_EQ(PrintedItems(), (std::vector<std::u16string>{Line(u"红烧肉", u"份", u"1", u"38"),
                                                         Line(u"Tea", u"p", u"2", u"8")}));
}

TEST_F(PrintReceiptTest, ReceiptCarriesPageValuesAndShopFromProfile) {
  profile.Com_nName = u"蓝天酒家";
  ShowPage(u"1", OrderPage({}));
  pane.top.frames[u"mainFrame"].values_by_id[u"waiter"] = u"";
  EXPECT_FALSE(Complete());
  ASSERT_EQ(printer.jobs.size(), 1u);
  const std::vector<std::u16string> expected = {
      u"    ",
      u"    蓝天酒家消费小票",
      u"",
      u"单号:A1024",
      u"厅台号:大厅3",
      u"服务员:",
      u"收银员:李明",
      u"",
      std::u16string(kReceiptHeader),
      std::u16string(kReceiptRule),
      std::u16string(kReceiptRule),
      u"小计:54.00元",
      u"应收金额:54.00元",
      u"实收金额:100.00元",
      std::u16string(kReceiptRule),
      u"蓝天酒家期待您再次光临！",
      u"预订电话:010-1234",
      u"结算时间:2026/12/11 14:03:05",
  };
  EXPECT_EQ(printer.jobs[0], expected);
  EXPECT_TRUE(printer.open_job.empty());
}

TEST_F(PrintReceiptTest, AnythingMissingOrMalformedPrintsNothingAtAll) {
  const struct {
    const char* name;
    void (*spoil)(DocumentSnapshot& main);
    std::u16string notice;
  } cases[] = {
      {"no zje", [](DocumentSnapshot& m) { m.values_by_id.erase(u"zje"); },
       u"小票未打印：页面缺少 zje"},
      {"no Ddh", [](DocumentSnapshot& m) { m.values_by_id.erase(u"Ddh"); },
       u"小票未打印：页面缺少 Ddh"},
      {"no com_tel", [](DocumentSnapshot& m) { m.values_by_id.erase(u"com_tel"); },
       u"小票未打印：页面缺少 com_tel"},
      {"total not a number", [](DocumentSnapshot& m) { m.values_by_id[u"zje"] = u"abc"; },
       u"小票未打印：zje 不是数字"},
      {"paid empty", [](DocumentSnapshot& m) { m.values_by_id[u"sszje"] = u""; },
       u"小票未打印：sszje 不是数字"},
      {"short Tag", [](DocumentSnapshot& m) { m.inputs.push_back(Checkbox(u"Tea,p,x,2")); },
       u"小票未打印：第 3 个输入框的菜品记录不完整"},
      {"no Tag",
       [](DocumentSnapshot& m) {
         m.inputs.push_back({u"checkbox", true, std::nullopt});
       },
       u"小票未打印：第 3 个输入框没有菜品记录"},
      {"amount not a number",
       [](DocumentSnapshot& m) { m.inputs.push_back(Checkbox(u"Tea,p,x,2,八元")); },
       u"小票未打印：菜品「Tea」的金额不是数字"},
      {"item named zje",
       [](DocumentSnapshot& m) { m.inputs.push_back(Checkbox(u"zje,p,x,2,八元")); },
       u"小票未打印：菜品「zje」的金额不是数字"},
  };
  for (const auto& c : cases) {
    // The first item is fine: it must not reach the printer either.
    DocumentSnapshot main = OrderPage({Checkbox(u"红烧肉,份,x,1,38"), {u"text", false, u""}});
    c.spoil(main);
    ShowPage(u"1", std::move(main));
    const Failure failure = Complete();
    ASSERT_TRUE(failure) << c.name;
    EXPECT_EQ(failure->notice, c.notice) << c.name;
    EXPECT_TRUE(printer.jobs.empty()) << c.name;
    EXPECT_TRUE(printer.open_job.empty()) << c.name;  // not even a begun job
  }
}

TEST_F(PrintReceiptTest, MissingMainFrameIsRefused) {
  ShowPage(u"1");
  pane.top.frames.erase(u"mainFrame");
  const Failure failure = Complete();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->notice, u"小票未打印：页面缺少 mainFrame");
  EXPECT_TRUE(printer.open_job.empty());
}

TEST_F(PrintReceiptTest, PrinterFailureIsShownAndTheNextReceiptPrints) {
  const struct {
    PrintError error;
    std::u16string notice;
  } cases[] = {
      {PrintError::kNoDestination, u"小票未打印：没有默认打印机"},
      {PrintError::kUnreachable, u"小票未打印：无法连接打印服务"},
      {PrintError::kRefused, u"小票未打印：打印机拒绝了打印任务"},
      {PrintError::kWriteFailed, u"小票未打印：发送到打印机失败"},
      {PrintError::kRenderFailed, u"小票未打印：无法生成小票文档"},
      {PrintError::kNoPaperSize, u"小票未打印：打印机没有设置纸张"},
  };
  ShowPage(u"1");
  for (const auto& c : cases) {
    printer.next_result = {c.error, "Printer \"till\" does not exist"};
    const Failure failure = Complete();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->notice, c.notice);
    EXPECT_NE(failure->diagnostic.find("does not exist"), std::string::npos);
  }
  EXPECT_TRUE(printer.jobs.empty());
  EXPECT_FALSE(Complete());
  EXPECT_EQ(printer.jobs.size(), 1u);
}

TEST_F(PrintReceiptTest, HostileItemNameIsQuotedShortInTheNotice) {
  const std::u16string name(100000, u'X');
  ShowPage(u"1", OrderPage({Checkbox(name + u",p,x,1,zz")}));
  const Failure failure = Complete();
  ASSERT_TRUE(failure);
  EXPECT_LT(failure->notice.size(), 40u);
  EXPECT_LE(failure->diagnostic.size(), 400u);
}

TEST_F(PrintReceiptTest, ManyInputsArePrintedInOnePass) {
  std::vector<InputSnapshot> inputs;
  for (int i = 0; i < 100000; ++i) {
    inputs.push_back(i % 1000 == 0 ? Checkbox(u"Tea,p,x,1,1") : InputSnapshot{u"text", false, {}});
  }
  ShowPage(u"1", OrderPage(std::move(inputs)));
  EXPECT_FALSE(Complete());
  EXPECT_EQ(PrintedItems().size(), 100u);
}

}  // namespace
}  // namespace pellomar::testing
