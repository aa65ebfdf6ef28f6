// print_latency_bench [OPTIONS] [RECEIPTS [ITEMS]]: the time from the print
// page's own load event to the receipt's job being accepted by the CUPS
// scheduler, beside the time `lp` takes to submit the same document to the
// same queue; the two take turns (ours, lp, ours, lp, ...).
//
// The client runs in this process on the real CUPS printer, against a local
// service whose print page stamps its load event. A receipt counts as
// accepted when the printing run has returned: its last request (the
// document of the job) has been answered by the scheduler. Each receipt is
// followed by one `lp` run (in the C locale) of the first receipt's
// document, so both see the same load; a document that is not a PDF (the
// ESC/POS text of a raw queue) goes with `-o raw`, as the client sends it.
// The queue is PRINTER (a capture queue of scripts/bench); its spool folder
// is PELLOMAR_BENCH_SPOOL. One receipt before the measured ones warms the
// engine and the font caches; its figure is shown on its own.
//
// Options:
//   --figure KEY     names the figure lines for scripts/bench's table
//                    (KEY-median, KEY-p99); default print-ITEMS
//   --frames N       the order page also holds N frames of other pages of
//                    the service (pages that are not the print page)
//   --idle-ms MS     the first print page comes MS after the home page's
//                    completion, as the first order of the day does
//   --first-receipt RUNS
//                    the first receipt of fresh processes: runs this program
//                    RUNS times, each printing a first receipt and then
//                    RECEIPTS warm ones, and sets the first beside the warm
//   --samples        prints only each receipt's latency (what
//                    --first-receipt reads from each run)
#include <cups/cups.h>
#include <gtk/gtk.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench/figures.h"
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

struct Options {
  int receipts = 200;
  int items = 12;
  int frames = 0;
  int idle_ms = 0;
  int first_receipt_runs = 0;
  bool samples = false;
  std::string figure;
};

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
  // As the client's own printer is: prepared in the idle time after the home page.
  void Prepare() override { printer_->Prepare(); }

  double first_line_ms = 0;
  double end_document_ms = 0;
  PrintResult last_result;

 private:
  std::unique_ptr<PagePrinter> printer_;
  bool in_document_ = false;
};

// The settled order in the main frame: the seven values and the item
// checkboxes, two in three checked; then `frames` frames of another page of
// the service (a notice, a table's state), as busy pages carry.
std::string OrderPage(int items, int frames) {
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
  for (int i = 0; i < frames; ++i) {
    body += "<iframe name=\"panel" + std::to_string(i) +
            "\" src=\"/member/main/panel.asp?n=" + std::to_string(i) + "\"></iframe>";
  }
  return BodyPage(body, "<title>结账</title>");
}

std::string PanelPage() {
  return BodyPage("<p>大厅 A08：用餐中</p><input id=\"state\" value=\"busy\">",
                  "<title>桌台</title>");
}

std::string PrintPage() {
  return "<html><head><meta charset=\"utf-8\"><title>打印</title>" +
         LoadStampScript("new URLSearchParams(location.search).get('n')") +
         "</head><frameset rows=\"10%,90%\"><frame name=\"middleFrame\" "
         "src=\"/member/main/command.asp\"><frame name=\"mainFrame\" "
         "src=\"/member/main/order.asp\"></frameset></html>";
}

// The environment with LC_ALL=C: lp's own messages and conversions in the C
// locale, whatever the user's locale is.
std::vector<std::string> CLocaleEnvironment() {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable; ++variable) {
    if (std::strncmp(*variable, "LC_ALL=", 7) != 0) variables.emplace_back(*variable);
  }
  variables.emplace_back("LC_ALL=C");
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs `lp` on the document and waits for it; the time in ms, or -1 when lp
// failed.
double TimeLp(const std::string& queue, const std::string& document, bool raw) {
  std::vector<std::string> args = {"lp", "-s", "-d", queue, "-t", "消费小票 lp"};
  if (raw) args.insert(args.end(), {"-o", "raw"});
  args.push_back(document);
  std::vector<char*> argv = Pointers(args);
  static std::vector<std::string> environment = CLocaleEnvironment();
  static std::vector<char*> envp = Pointers(environment);
  const double start = NowMs();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "lp", nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
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

bool IsPdf(const std::string& path) {
  char head[5] = {};
  std::ifstream(path, std::ios::binary).read(head, 4);
  return std::string(head) == "%PDF";
}

struct Run {
  std::string queue;
  std::string spool;
  Options options;
  FixtureService service{"127.0.0.1", PELLOMAR_BENCH_PORT + 1};
  std::unique_ptr<TimedPrinter> printer;
  std::unique_ptr<PellomarClient> client;

  std::string document;  // the warm-up receipt's, for lp
  bool raw = false;      // the document is not a PDF
  int next = 0;          // label of the print page loading now; 0 is the warm-up
  bool home_done = false;
  std::map<int, double> navigated_ms, accepted_ms, first_line_ms, end_document_ms;
  std::vector<double> lp_ms;
  int failures = 0;
  int outside_creation_time = 0;
  bool done = false;

  void LoadPrintPage() {
    navigated_ms[next] = NowMs();
    client->pane().Navigate(
        Utf8ToUtf16(service.origin() + "/member/main/print.asp?n=" + std::to_string(next)));
  }

  void Completed(std::u16string_view url) {
    const std::string address = Utf16ToUtf8(url);
    if (address.find("/member/index.asp") != std::string::npos && !home_done) {
      home_done = true;
      g_timeout_add(
          static_cast<guint>(options.idle_ms),
          [](gpointer self) {
            static_cast<Run*>(self)->LoadPrintPage();
            return G_SOURCE_REMOVE;
          },
          this);
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

  bool Fail(const char* what) {
    g_printerr("print_latency_bench: %s (receipt %d)\n", what, next);
    ++failures;
    done = true;
    return false;
  }

  // Outside the measured span: check the scheduler's record of the job, run
  // the baseline once, load the next print page.
  void AfterReceipt() {
    const auto [job, created] = NewestJob(queue);
    if (!SpinUntil([&] { return service.Stamp(std::to_string(next)).has_value(); }, 10000)) {
      Fail("the print page posted no load time");
      return;
    }
    const double loaded = *service.Stamp(std::to_string(next));
    if (created < static_cast<time_t>(loaded / 1000) ||
        created > static_cast<time_t>(accepted_ms[next] / 1000) + 1) {
      ++outside_creation_time;
    }
    if (next == 0) {
      document = testing::CaptureSpool(spool).DocumentPath(job);
      if (!WaitForFile(document, 20000)) {
        Fail("the capture queue kept no document of the first receipt");
        return;
      }
      raw = !IsPdf(document);
    } else if (!options.samples) {
      const double lp = TimeLp(queue, document, raw);
      if (lp < 0) {
        Fail("lp failed");
        return;
      }
      lp_ms.push_back(lp);
    }
    if (next == options.receipts) {
      done = true;
      return;
    }
    ++next;
    LoadPrintPage();
  }

  double Loaded(int n) const { return *service.Stamp(std::to_string(n)); }

  // For receipts first..last: end minus the load event (or minus the start
  // of the navigation), or the end itself when it is a span already.
  enum class From { kLoadEvent, kNavigation, kNothing };
  std::vector<double> Spans(const std::map<int, double>& end, From from, int first = 1) const {
    std::vector<double> values;
    for (int n = first; n <= options.receipts; ++n) {
      const auto it = end.find(n);
      if (it == end.end()) continue;
      switch (from) {
        case From::kLoadEvent:
          values.push_back(it->second - Loaded(n));
          break;
        case From::kNavigation:
          values.push_back(it->second - navigated_ms.at(n));
          break;
        case From::kNothing:
          values.push_back(it->second);
          break;
      }
    }
    return values;
  }
};

void PrintRow(const char* name, const std::vector<double>& values,
              const std::vector<double>* baseline) {
  const double median = Median(values);
  const double p99 = Percentile(values, 99);
  if (baseline) {
    std::printf("%-44s %9.2f %9.2f %9.2f   ratio %5.2f %5.2f\n", name, median, p99,
                Percentile(values, 100), median / Median(*baseline),
                p99 / Percentile(*baseline, 99));
  } else {
    std::printf("%-44s %9.2f %9.2f %9.2f\n", name, median, p99, Percentile(values, 100));
  }
}

// Prints one run's figures: the table, or with --samples one line per
// receipt.
void PrintFigures(const Run& run) {
  const Options& o = run.options;
  if (o.samples) {
    const std::vector<double> all = run.Spans(run.accepted_ms, Run::From::kLoadEvent, 0);
    for (std::size_t n = 0; n < all.size(); ++n) std::printf("sample\t%zu\t%.3f\n", n, all[n]);
    return;
  }
  const std::vector<double> ours = run.Spans(run.accepted_ms, Run::From::kLoadEvent);
  std::printf("print latency over %d receipts of %d items (%d checked)%s, queue %s (%s), ms\n",
              o.receipts, o.items, o.items - o.items / 3,
              o.frames ? (", " + std::to_string(o.frames) + " other frames").c_str() : "",
              run.queue.c_str(), run.raw ? "ESC/POS, lp -o raw" : "PDF");
  std::printf("%-44s %9s %9s %9s\n", "", "median", "p99", "max");
  PrintRow("pellomar: load event -> job accepted", ours, &run.lp_ms);
  PrintRow("lp: start -> exit (same document, same queue)", run.lp_ms, nullptr);
  PrintRow("  of which load event -> first line",
           run.Spans(run.first_line_ms, Run::From::kLoadEvent), nullptr);
  PrintRow("  of which end of document (render + CUPS)",
           run.Spans(run.end_document_ms, Run::From::kNothing), nullptr);
  std::vector<double> page_load;
  for (int n = 1; n <= o.receipts; ++n) page_load.push_back(run.Loaded(n) - run.navigated_ms.at(n));
  PrintRow("print page: navigation -> load event", page_load, nullptr);
  std::printf("first receipt of this process: %.2f ms, of which end of document %.2f ms\n",
              run.accepted_ms.at(0) - run.Loaded(0), run.end_document_ms.at(0));
  std::printf("jobs whose scheduler creation time lies outside [load, accepted]: %d\n",
              run.outside_creation_time);
  const std::string key = o.figure.empty() ? "print-" + std::to_string(o.items) : o.figure;
  PrintFigure(key + "-median", Median(ours), Median(run.lp_ms), "ms");
  PrintFigure(key + "-p99", Percentile(ours, 99), Percentile(run.lp_ms, 99), "ms");
}

int RunInThisProcess(const Options& options) {
  const char* queue = std::getenv("PRINTER");
  const char* spool = std::getenv("PELLOMAR_BENCH_SPOOL");
  if (!queue || !spool) {
    std::fprintf(stderr, "print_latency_bench: set PRINTER and PELLOMAR_BENCH_SPOOL\n");
    return 2;
  }
  const std::string load_at_start = LoadAverage();
  gtk_init(nullptr, nullptr);
  Run run;
  run.queue = queue;
  run.spool = spool;
  run.options = options;
  if (!run.service.listening()) return 1;
  run.service.SetPage("/member/index.asp", BodyPage("<h1>会员首页</h1>", "<title>会员</title>"));
  run.service.SetPage("/member/main/print.asp", PrintPage());
  run.service.SetPage("/member/main/command.asp", "<html><body>1</body></html>");
  run.service.SetPage("/member/main/order.asp", OrderPage(options.items, options.frames));
  run.service.SetPage("/member/main/panel.asp", PanelPage());

  run.printer = std::make_unique<TimedPrinter>(MakeCupsPagePrinter());
  PellomarClient::Options client_options;
  client_options.completion_handled = [&run](std::u16string_view url, const DocumentSnapshot*) {
    run.Completed(url);
  };
  const std::string host = run.service.origin().substr(std::string("http://").size());
  run.client = StartClient(Utf8ToUtf16(host), *run.printer, std::move(client_options));
  const bool finished = SpinUntil([&] { return run.done; }, 600000);
  if (!finished || run.failures > 0) {
    std::fprintf(stderr, "print_latency_bench: stopped after %d receipts\n", run.next);
    return 1;
  }
  PrintFigures(run);
  if (!options.samples) {
    std::printf("load average at start %s, at end %s\n", load_at_start.c_str(),
                LoadAverage().c_str());
  }
  return 0;
}

// One fresh process of this program with --samples; its receipts'
// latencies, the first one first. Empty when the run failed.
std::vector<double> FreshProcessSamples(const Options& options) {
  std::vector<std::string> args = {"/proc/self/exe",
                                   "--samples",
                                   "--idle-ms",
                                   std::to_string(options.idle_ms),
                                   "--frames",
                                   std::to_string(options.frames),
                                   std::to_string(options.receipts),
                                   std::to_string(options.items)};
  std::vector<char*> argv = Pointers(args);
  gchar* raw_output = nullptr;
  gint status = 0;
  GError* raw_error = nullptr;
  const bool spawned = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_CHILD_INHERITS_STDIN,
                                    nullptr, nullptr, &raw_output, nullptr, &status, &raw_error);
  GCharPtr output(raw_output);
  GErrorPtr error(raw_error);
  if (!spawned || !g_spawn_check_wait_status(status, nullptr)) {
    g_printerr("print_latency_bench: a fresh run failed%s%s\n", error ? ": " : "",
               error ? error->message : "");
    return {};
  }
  std::vector<double> samples;
  std::istringstream lines(output.get());
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string tag;
    int n = 0;
    double ms = 0;
    if (fields >> tag >> n >> ms && tag == "sample") samples.push_back(ms);
  }
  return samples;
}

// The first receipt of fresh processes beside the warm ones of the same
// processes.
int RunFirstReceipts(const Options& options) {
  const std::string load_at_start = LoadAverage();
  std::vector<double> first, warm;
  for (int run = 1; run <= options.first_receipt_runs; ++run) {
    const std::vector<double> samples = FreshProcessSamples(options);
    if (samples.size() != static_cast<std::size_t>(options.receipts) + 1) return 1;
    first.push_back(samples[0]);
    warm.insert(warm.end(), samples.begin() + 1, samples.end());
    std::fprintf(stderr, "run %d: first receipt %.1f ms, warm median %.1f ms\n", run, samples[0],
                 Median({samples.begin() + 1, samples.end()}));
  }
  std::printf(
      "first receipt of a fresh process, %d processes (home page, %d ms idle, then 1 + %d "
      "receipts of %d items), load event -> job accepted, ms\n",
      options.first_receipt_runs, options.idle_ms, options.receipts, options.items);
  std::printf("%-44s %9s %9s %9s\n", "", "median", "p99", "max");
  PrintRow("first receipt of each process", first, nullptr);
  PrintRow("the warm receipts after it", warm, nullptr);
  std::printf("ratio first / warm (medians): %.2f\n", Median(first) / Median(warm));
  PrintFigure(options.figure.empty() ? "first-receipt" : options.figure, Median(first),
              Median(warm), "ms");
  std::printf("load average at start %s, at end %s\n", load_at_start.c_str(),
              LoadAverage().c_str());
  return 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--samples") {
      options.samples = true;
    } else if (arg == "--figure" && has_value) {
      options.figure = argv[++i];
    } else if (arg == "--frames" && has_value) {
      options.frames = std::atoi(argv[++i]);
    } else if (arg == "--idle-ms" && has_value) {
      options.idle_ms = std::atoi(argv[++i]);
    } else if (arg == "--first-receipt" && has_value) {
      options.first_receipt_runs = std::atoi(argv[++i]);
    } else if (arg.starts_with("--")) {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() > 2) return false;
  if (!positional.empty()) options.receipts = std::atoi(positional[0].c_str());
  if (positional.size() > 1) options.items = std::atoi(positional[1].c_str());
  return options.receipts >= 1 && options.items >= 0 && options.frames >= 0 &&
         options.idle_ms >= 0 && options.first_receipt_runs >= 0;
}

}  // namespace
}  // namespace pellomar::bench

int main(int argc, char** argv) {
  pellomar::bench::Options options;
  if (!pellomar::bench::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: print_latency_bench [--figure KEY] [--frames N] [--idle-ms MS] "
                 "[--first-receipt RUNS] [--samples] [RECEIPTS [ITEMS]]\n");
    return 2;
  }
  if (options.first_receipt_runs > 0) return pellomar::bench::RunFirstReceipts(options);
  return pellomar::bench::RunInThisProcess(options);
}
