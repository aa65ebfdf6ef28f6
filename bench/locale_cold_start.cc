// locale_cold_start: what the user's locale services cost a fresh process,
// in time and resident memory, up to the home page's completion (made, and
// one address lower-cased) and then for the first receipt of 12 items. ICU
// keeps its loaded data for the life of the process, so only a new process
// shows these first-use costs; scripts/bench runs it several times.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"
#include "tests/support/processes.h"

namespace {

// The resident set: what the process itself holds, ICU's data pages
// included; the proportional set would share those pages out with every
// other process on the machine that maps them.
long ResidentKib() { return pellomar::testing::MemoryOf(getpid()).rss_kib; }

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  using pellomar::ReceiptData;
  const long before = ResidentKib();
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<pellomar::LocaleServices> locale = pellomar::MakeUserLocaleServices();
  const std::u16string lowered = locale->LowerCase(u"HTTP://127.0.0.1:8077/MEMBER/INDEX.ASP");
  const double until_home_ms = MsSince(start);
  const long at_home = ResidentKib();

  ReceiptData data;
  data.Total = u"1234.5";
  data.Paid = u"1300";
  for (int i = 0; i < 12; ++i) data.Items.push_back({u"宫保鸡丁", u"份", u"2", u"76"});
  const auto receipt_start = std::chrono::steady_clock::now();
  const pellomar::ReceiptLinesResult receipt = pellomar::ReceiptLines(data, *locale);
  const double receipt_ms = MsSince(receipt_start);
  const long after_receipt = ResidentKib();
  if (receipt.error || lowered.empty()) return 1;

  std::printf("until the home page: %6.2f ms %+6ld KiB   first receipt: %6.2f ms %+6ld KiB\n",
              until_home_ms, at_home - before, receipt_ms, after_receipt - at_home);
  return 0;
}
