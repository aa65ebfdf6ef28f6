#include "tests/hostile/hostile_pages.h"

namespace pellomar::testing {

std::string AddOrder(FixtureService& service, const std::string& path,
                     const std::string& extra_markup) {
  const std::string main = path + "/member/main/order.asp";
  service.SetPage(path, Frameset("/member/main/blank.asp", main));
  service.SetPage(main, OrderPage(extra_markup));
  return path;
}

std::string AddPrintingFrameset(FixtureService& service, const std::string& path,
                                const std::string& main_src, const std::string& print_path) {
  service.SetPage(path,
                  "<html><head><meta charset=\"utf-8\"><script>"
                  "window.addEventListener('load', () => {"
                  "  frames['middleFrame'].location.href = '" +
                      print_path +
                      "';"
                      "});</script></head>"
                      "<frameset rows=\"15%,85%\"><frame name=\"middleFrame\" "
                      "src=\"/member/main/blank.asp\"><frame name=\"mainFrame\" src=\"" +
                      main_src + "\"></frameset></html>");
  return path;
}

// The order page's own load handler sends the middle frame once more; this
// one is stopped by taking the frame's element load events as the pace.
std::string RepeatedPrintScript(int n, const std::string& print_path) {
  return "<script>"
         "window.addEventListener('load', (event) => {"
         "  event.stopImmediatePropagation();"
         "  const frame = parent.document.getElementsByName('middleFrame')[0];"
         "  let done = 0;"
         "  const next = () => {"
         "    if (done === " +
         std::to_string(n) +
         ") return;"
         "    done += 1;"
         "    document.getElementById('Ddh').value = String(done);"
         "    frame.contentWindow.location.href = '" +
         print_path +
         "?' + done;"
         "  };"
         "  frame.addEventListener('load', next);"
         "  next();"
         "}, true);"
         "</script>";
}

RecordingPrinter::Job StandardReceipt(const ReceiptChanges& changes) {
  RecordingPrinter::Job receipt = {
      u"    ",
      u"    " + changes.shop + u"消费小票",
      u"",
      u"单号:" + changes.order_number,
      u"厅台号:大厅3",
      u"服务员:王芳",
      u"收银员:李明",
      u"",
      u"项目            数量  金额   ",
      u"-----------------------------",
      u"红烧肉        1份     38.00",
      u"Tea        2壶      8.00",
  };
  receipt.insert(receipt.end(), changes.extra_item_lines.begin(), changes.extra_item_lines.end());
  const RecordingPrinter::Job tail = {
      u"-----------------------------",
      u"小计:46.00元",
      u"应收金额:46.00元",
      u"实收金额:50.00元",
      u"-----------------------------",
      changes.shop + u"期待您再次光临！",
      u"预订电话:010-1234",
  };
  receipt.insert(receipt.end(), tail.begin(), tail.end());
  return receipt;
}

std::string QuietOrderPage() {
  return BodyPage(
      "<input type=\"hidden\" id=\"Ddh\" value=\"A1024\">"
      "<input type=\"hidden\" id=\"tingtaihao\" value=\"大厅3\">"
      "<input type=\"hidden\" id=\"waiter\" value=\"王芳\">"
      "<input type=\"hidden\" id=\"syy\" value=\"李明\">"
      "<input type=\"hidden\" id=\"zje\" value=\"46\">"
      "<input type=\"hidden\" id=\"sszje\" value=\"50\">"
      "<input type=\"hidden\" id=\"com_tel\" value=\"010-1234\">"
      "<input type=\"checkbox\" checked Tag=\"红烧肉,份,x,1,38\">"
      "<input type=\"checkbox\" Tag=\"米饭,碗,x,2,4\">"
      "<input type=\"checkbox\" checked Tag=\"Tea,壶,x,2,8\">");
}

RecordingPrinter::Job WithoutSettlementTime(const RecordingPrinter::Job& job) {
  if (job.empty() || !job.back().starts_with(u"结算时间:") ||
      job.back().size() == std::u16string(u"结算时间:").size()) {
    return job;  // compares unequal to any expected receipt
  }
  return RecordingPrinter::Job(job.begin(), job.end() - 1);
}

}  // namespace pellomar::testing
