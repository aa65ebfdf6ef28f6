#include "shell/load_retry.h"

#include <algorithm>

#include "base/text.h"

namespace pellomar {

namespace {

constexpr int kFirstDelaySeconds = 3;
constexpr int kLongestDelaySeconds = 60;

std::u16string EscapeHtml(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'\'':
        out += u"&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace

int RetryDelaySeconds(int attempt) {
  int delay = kFirstDelaySeconds;
  for (int i = 1; i < attempt && delay < kLongestDelaySeconds; ++i) delay *= 2;
  return std::min(delay, kLongestDelaySeconds);
}

std::u16string LoadErrorPage(std::u16string_view failing_url, int retry_in_seconds,
                             PageTrouble trouble) {
  // Only http(s) addresses become a link; anything else could run script.
  const bool linkable = failing_url.starts_with(u"http://") || failing_url.starts_with(u"https://");
  const std::u16string href = linkable ? EscapeHtml(failing_url) : std::u16string(u"#");
  const std::u16string seconds = Utf8ToUtf16(std::to_string(retry_in_seconds));
  std::u16string heading;
  std::u16string advice;
  switch (trouble) {
    case PageTrouble::kLoadFailed:
      heading = u"无法打开收银服务页面";
      advice = u"请检查网络连接。程序将在 " + seconds + u" 秒后自动重试。";
      break;
    case PageTrouble::kPageStopped:
      heading = u"收银服务页面意外停止";
      advice = u"程序将在 " + seconds + u" 秒后自动重新加载。";
      break;
    case PageTrouble::kPageKeepsStopping:
      heading = u"收银服务页面多次意外停止";
      advice = u"已停止自动重新加载。请稍后点击“立即重试”。";
      break;
  }
  return u"<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
         u"<title>无法打开页面</title><style>"
         u"body{font-family:sans-serif;margin:3em;color:#333}"
         u"a.retry{display:inline-block;padding:.6em 1.6em;background:#2e7d32;color:#fff;"
         u"text-decoration:none;border-radius:4px}</style></head><body>"
         u"<h1>" +
         heading + u"</h1><p>" + advice +
         u"</p>"
         u"<p><a class=\"retry\" id=\"retry\" href=\"" +
         href + u"\">立即重试</a></p></body></html>";
}

WebProcessRestarts::Decision WebProcessRestarts::OnEnded(Clock::time_point now) {
  while (!ends_.empty() && now - ends_.front() >= kWindow) ends_.pop_front();
  ends_.push_back(now);
  if (ends_.size() >= kEndsBeforeGivingUp) {
    ends_.pop_front();  // bounded; still a full minute's worth
    return {.give_up = true};
  }
  const int earlier = static_cast<int>(ends_.size()) - 1;
  return {.delay_seconds = earlier == 0 ? 0 : RetryDelaySeconds(earlier)};
}

}  // namespace pellomar
