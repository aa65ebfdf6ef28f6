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

}  // namespace pellomar::testing
