#include "platform/gtk/error_page.h"

#include <glib.h>

#include "platform/gtk/glib_handles.h"
#include "platform/gtk/program_resources.h"

namespace pellomar {

namespace {

constexpr char kTemplatePath[] = "/com/pellomar/Pellomar/error_page.html";
// Used only if the compiled-in template were missing: the window still
// says what happened and offers the retry.
constexpr char kBareTemplate[] =
    "<!DOCTYPE html><meta charset=\"utf-8\"><h1>%s</h1><p>%s</p>"
    "<p><a id=\"retry\" href=\"%s\">立即重试</a></p>";

std::string Words(PageTrouble trouble, int seconds, std::string* heading) {
  const std::string after = std::to_string(seconds);
  switch (trouble) {
    case PageTrouble::kLoadFailed:
      *heading = "无法打开收银服务页面";
      return "请检查网络连接。程序将在 " + after + " 秒后自动重试。";
    case PageTrouble::kPageStopped:
      *heading = "收银服务页面意外停止";
      return "程序将在 " + after + " 秒后自动重新加载。";
    case PageTrouble::kPageKeepsStopping:
      break;
  }
  *heading = "收银服务页面多次意外停止";
  return "已停止自动重新加载。请稍后点击“立即重试”。";
}

// Only http(s) addresses become a link; anything else could run script.
std::string RetryHref(std::string_view failing_url) {
  const bool linkable = failing_url.starts_with("http://") || failing_url.starts_with("https://");
  if (!linkable) return "#";
  // The markup escaper takes UTF-8 only.
  GCharPtr valid(g_utf8_make_valid(failing_url.data(), static_cast<gssize>(failing_url.size())));
  return valid.get();
}

}  // namespace

std::string ErrorPageMarkup(std::string_view failing_url, int retry_in_seconds,
                            PageTrouble trouble) {
  std::string heading;
  const std::string advice = Words(trouble, retry_in_seconds, &heading);
  const std::string href = RetryHref(failing_url);
  std::string page_template = ProgramResourceText(kTemplatePath);
  if (page_template.empty()) page_template = kBareTemplate;
  GCharPtr page(g_markup_printf_escaped(page_template.c_str(), heading.c_str(), advice.c_str(),
                                        href.c_str()));
  return page.get();
}

}  // namespace pellomar
