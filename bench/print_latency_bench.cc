// print_latency_bench [RECEIPTS [ITEMS]]: the time from the print page's own load
// event to the receipt's job being accepted by the CUPS scheduler, beside
// the time `lp` takes to submit the same PDF to the same queue.
//
// The client runs in this process on the real CUPS printer, against a local
// service whose print page stamps its load event. A receipt counts as
// accepted when the printing run has returned: its last request (the
// document of the job) has been answered by the scheduler. Each receipt is
// followed by one `lp` run of the first receipt's PDF, so both see the same
// load. The queue is PRINTER (the harness's own capture queue, set up by
// scripts/bench); its spool folder is PELLOMAR_BENCH_SPOOL. One receipt
// before the measured ones warms the engine and the font caches; its figure
// is shown on its own.
#include <cups/cups.h>
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench/stats.h"
#include "platform/cups/cups_page_printer.h"
#include "platform/gtk/pellomar_client.h"
#include "tests/support/capture_spool.h"
#include "tests/support/fixture_service.h"
#include "tests/support/main_loop.h"
#include "tests/support/service_pages.h"

extern char** environ;

namespace pellomar::bench {
namespace {

using testing::BodyPage;
using testing::FixtureService;
using testing::LoadStampScript;
using testing::NowMs;
using testing::SpinUntil;

// The printer the client prints on, with the time of its first line and of
// the end of each document.
class TimedPrinter final : public PagePrinter {
 public:
  explicit TimedPrinter(std::unique_ptr<PagePrinter> printer) : printer_(std::move(printer)) {}

  void PrintLine(std::u16string_view text) override {
    if (!in_document_) first_line_ms = NowMs();
    in_document_ = true;
    printer_->PrintLine(text);
  }
  PrintResult EndDocument() override {
    in_document_ = false;
    const double start = NowMs();
    PrintResult result = printer_->EndDocument();
    end_document_ms = NowMs() - start;
    last_result = result;
    return result;
  }

  double first_line_ms = 0;
  double end_document_ms = 0;
  PrintResult last_result;

 private:
  std::unique_ptr<PagePrinter> printer_;
  bool in_document_ = false;
};

// The settled order in the main frame: the seven values and the item
// checkboxes, two in three checked.
std::string OrderPage(int items) {
  std::string body = "<h1>结账</h1>" + testing::OrderValueInputs({.order_number = "20240611-0042",
                                                                  .table = "大厅 A08",
                                                                  .waiter = "王芳",
                                                                  .cashier = "李静",
                                                                  .total = "1234.5",
                                                                  .paid = "1300",
                                                                  .booking_phone = "010-88886666"});
  const char* names[] = {"宫保鸡丁", "麻婆豆腐", "清蒸鲈鱼", "米饭"};
  for (int i = 0; i < items; ++i) {
    body += std::string("<label><input type=\"checkbox\"") + (i % 3 != 2 ? " checked" : "") +
            " Tag=\"" + names[i % 4] + ",份,x," + std::to_string(1 + i % 3) + "," +
            std::to_string(10 + i * 7) + ".5\">" + names[i % 4] + "</label><br>";
  }
  return BodyPage(body, "<title>结账</title>");
}

std::string PrintPage() {
  return "<html><head><meta charset=\"utf-8\"><title>打印</title>" +
         LoadStampScript("new URLSearchParams(location.search).get('n')") +
         "</head><frameset rows=\"10%,90%\"><frame name=\"middleFrame\" "
         "src=\"/member/main/command.asp\"><frame name=\"mainFrame\" "
         "src=\"/member/main/order.asp\"></frameset></html>";
}

// Runs `lp` on the PDF and waits for it; the time in ms, or -1 when lp
// failed.
double TimeLp(const std::string& queue, const std::string& pdf) {
  std::vector<std::string> args = {"lp", "-s", "-d", queue, "-t", "消费小票 lp", pdf};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const double start = NowMs();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "lp", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  const double elapsed = NowMs() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

// The newest job of the queue: its id and creation time (s); 0 when none.
std::pair<int, time_t> NewestJob(const std::string& queue) {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
  std::pair<int, time_t> newest{0, 0};
  for (int i = 0; i < count; ++i) {
    if (jobs[i].id > newest.first) newest = {jobs[i].id, jobs[i].creation_time};
  }
  cupsFreeJobs(count, jobs);
  return newest;
}

bool WaitForFile(const std::string& path, int timeout_ms) {
  return SpinUntil([&] { return std::ifstream(path).good(); }, timeout_ms);
}

struct Run {
  std::string queue;
  std::string spool;
  int receipts = 0;
  FixtureService service{"127.0.0.1", PELLOMAR_BENCH_PORT + 1};
  std::unique_ptr<TimedPrinter> printer;
  std::unique_ptr<PellomarClient> client;

  std::string pdf;  // the warm-up receipt's document, for lp
  int next = 0;     // label of the print page loading now; 0 is the warm-up
  std::map<int, double> accepted_ms, first_line_ms, end_document_ms;
  std::vector<double> lp_ms;
  int failures = 0;
  int outside_creation_time = 0;
  bool done = false;

  void LoadPrintPage() {
    client->pane().Navigate(
        Utf8ToUtf16(service.origin() + "/member/main/print.asp?n=" + std::to_string(next)));
  }

  void Completed(std::u16string_view url) {
    const std::string address = Utf16ToUtf8(url);
    if (address.find("/member/index.asp") != std::string::npos && next == 0) {
      LoadPrintPage();
      return;
    }
    if (address.find("/member/main/print.asp") == std::string::npos) return;
    const double now = NowMs();
    if (!printer->last_result.ok()) {
      g_printerr("print_latency_bench: receipt %d not printed: %s\n", next,
                 printer->last_result.detail.c_str());
      ++failures;
      done = true;
      return;
    }
    accepted_ms[next] = now;
    first_line_ms[next] = printer->first_line_ms;
    end_document_ms[next] = printer->end_document_ms;
    g_idle_add(
        [](gpointer self) {
          static_cast<Run*>(self)->AfterReceipt();
          return G_SOURCE_REMOVE;
        },
        this);
  }

  // Outside the measured span: check the scheduler's record of the job, run
  // the baseline once, load the next print page.
  void AfterReceipt() {
    const auto [job, created] = NewestJob(queue);
    if (!SpinUntil([&] { return service.Stamp(std::to_string(next)).has_value(); }, 10000)) {
      g_printerr("print_latency_bench: print page %d posted no load time\n", next);
      ++failures;
      done = true;
      return;
    }
    const double loaded = *service.Stamp(std::to_string(next));
    if (created < static_cast<time_t>(loaded / 1000) ||
        created > static_cast<time_t>(accepted_ms[next] / 1000) + 1) {
      ++outside_creation_time;
    }
    if (next == 0) {
      pdf = testing::CaptureSpool(spool).DocumentPath(job);
      if (!WaitForFile(pdf, 20000)) {
        g_printerr("print_latency_bench: the capture queue kept no %s\n", pdf.c_str());
        ++failures;
        done = true;
        return;
      }
    } else {
      const double lp = TimeLp(queue, pdf);
      if (lp < 0) {
        g_printerr("print_latency_bench: lp failed\n");
        ++failures;
        done = true;
        return;
      }
      lp_ms.push_back(lp);
    }
    if (next == receipts) {
      done = true;
      return;
    }
    ++next;
    LoadPrintPage();
  }

  std::vector<double> Latencies(const std::map<int, double>& end, bool from_load) const {
    std::vector<double> values;
    for (int n = 1; n <= receipts; ++n) {
      const auto it = end.find(n);
      if (it == end.end()) continue;
      values.push_back(from_load ? it->second - *service.Stamp(std::to_string(n)) : it->second);
    }
    return values;
  }
};

void PrintRow(const char* name, const std::vector<double>& values,
              const std::vector<double>* baseline) {
  const double median = Median(values);
  const double p99 = Percentile(values, 99);
  if (baseline) {
    std::printf("%-40s %9.2f %9.2f %9.2f   ratio %5.2f %5.2f\n", name, median, p99,
                Percentile(values, 100), median / Median(*baseline),
                p99 / Percentile(*baseline, 99));
  } else {
    std::printf("%-40s %9.2f %9.2f %9.2f\n", name, median, p99, Percentile(values, 100));
  }
}

int Main(int receipts, int items) {
  const char* queue = std::getenv("PRINTER");
  const char* spool = std::getenv("PELLOMAR_BENCH_SPOOL");
  if (!queue || !spool) {
    std::fprintf(stderr, "print_latency_bench: set PRINTER and PELLOMAR_BENCH_SPOOL\n");
    return 2;
  }
  gtk_init(nullptr, nullptr);
  Run run;
  run.queue = queue;
  run.spool = spool;
  run.receipts = receipts;
  if (!run.service.listening()) return 1;
  run.service.SetPage("/member/index.asp", BodyPage("<h1>会员首页</h1>", "<title>会员</title>"));
  run.service.SetPage("/member/main/print.asp", PrintPage());
  run.service.SetPage("/member/main/command.asp", "<html><body>1</body></html>");
  run.service.SetPage("/member/main/order.asp", OrderPage(items));

  run.printer = std::make_unique<TimedPrinter>(MakeCupsPagePrinter());
  PellomarClient::Options options;
  options.completion_handled = [&run](std::u16string_view url, const DocumentSnapshot*) {
    run.Completed(url);
  };
  const std::string host = run.service.origin().substr(std::string("http://").size());
  run.client = StartClient(Utf8ToUtf16(host), *run.printer, std::move(options));
  const bool finished = SpinUntil([&] { return run.done; }, 600000);
  if (!finished || run.failures > 0) {
    std::fprintf(stderr, "print_latency_bench: stopped after %d receipts\n", run.next);
    return 1;
  }

  const std::vector<double> ours = run.Latencies(run.accepted_ms, true);
  const std::vector<double> to_first_line = run.Latencies(run.first_line_ms, true);
  const std::vector<double> end_document = run.Latencies(run.end_document_ms, false);
  std::printf("print latency over %d receipts of %d items (%d checked), queue %s, ms\n", receipts,
              items, items - items / 3, queue);
  std::printf("%-40s %9s %9s %9s\n", "", "median", "p99", "max");
  PrintRow("pellomar: load event -> job accepted", ours, &run.lp_ms);
  PrintRow("lp: start -> exit (same PDF, same queue)", run.lp_ms, nullptr);
  PrintRow("  of which load event -> first line", to_first_line, nullptr);
  PrintRow("  of which end of document (PDF + CUPS)", end_document, nullptr);
  std::printf("first receipt (cold): %.2f ms, of which end of document %.2f ms\n",
              run.accepted_ms[0] - *run.service.Stamp("0"), run.end_document_ms[0]);
  std::printf("jobs whose scheduler creation time lies outside [load, accepted]: %d\n",
              run.outside_creation_time);
  return 0;
}

}  // namespace
}  // namespace pellomar::bench

int main(int argc, char** argv) {
  const int receipts = argc > 1 ? std::atoi(argv[1]) : 200;
  const int items = argc > 2 ? std::atoi(argv[2]) : 12;
  if (receipts < 1 || items < 0) {
    std::fprintf(stderr, "usage: print_latency_bench [RECEIPTS [ITEMS]]\n");
    return 2;
  }
  return pellomar::bench::Main(receipts, items);
}
