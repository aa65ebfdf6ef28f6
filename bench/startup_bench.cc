// startup_bench [ROUNDS [SETTLE_MS]]: start-up time and memory of the client
// beside a bare WebKitGTK window loading the same home page.
//
// Each round starts both programs, one after the other (the order alternates
// between rounds). Start-up is the time from just before the program is
// spawned to the home page's own load event, which the page posts back.
// SETTLE_MS after that event the resident memory of the UI process, the web
// process and the network process is read. The program then gets SIGTERM.
// Prints the medians over the rounds, and the ratio ours / bare.
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/figures.h"
#include "bench/stats.h"
#include "platform/gtk/glib_handles.h"
#include "tests/support/fixture_service.h"
#include "tests/support/main_loop.h"
#include "tests/support/processes.h"

namespace pellomar::bench {
namespace {

using testing::FixtureService;
using testing::LoadStampScript;
using testing::NowMs;
using testing::ProcessMemory;
using testing::ProcessRole;
using testing::ProcessTreeMemory;
using testing::SpinUntil;
using testing::Total;

constexpr int kLoadTimeoutMs = 60000;

// A sign-in page of moderate size: text in the CJK font, a form, a style
// sheet and a script of its own, as a service's home page has.
std::string HomePage() {
  std::string rows;
  for (int i = 1; i <= 40; ++i) {
    rows += "<tr><td>" + std::to_string(i) + "</td><td>桌台 A" + std::to_string(i) +
            "</td><td>空闲</td><td>4 人</td></tr>";
  }
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>会员登录</title>"
         "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}"
         "td{border:1px solid #ccc;padding:2px 8px}</style>" +
         LoadStampScript("'home'") +
         "</head><body><h1>蓝天餐饮管理系统</h1><form method=\"post\" action=\"login.asp\">"
         "<label>账号 <input name=\"user\"></label> <label>密码 <input type=\"password\" "
         "name=\"pass\"></label> <button>登录</button></form><table>" +
         rows + "</table><script>document.title += '';</script></body></html>";
}

struct Program {
  const char* name;
  std::vector<std::string> argv;
};

struct Sample {
  double startup_ms = 0;
  ProcessMemory ui, web, network, other;
};

struct Child {
  pid_t pid = 0;
  bool exited = false;
};

void ChildSetup(gpointer) { setpgid(0, 0); }

bool Spawn(const Program& program, Child& child) {
  std::vector<char*> argv;
  for (const std::string& arg : program.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  GError* raw_error = nullptr;
  GPid pid = 0;
  const bool spawned = g_spawn_async(
      nullptr, argv.data(), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL), ChildSetup,
      nullptr, &pid, &raw_error);
  GErrorPtr error(raw_error);
  if (!spawned) {
    g_printerr("startup_bench: cannot start %s: %s\n", program.name, error->message);
    return false;
  }
  child.pid = pid;
  g_child_watch_add(
      pid,
      [](GPid pid, gint, gpointer data) {
        static_cast<Child*>(data)->exited = true;
        g_spawn_close_pid(pid);
      },
      &child);
  return true;
}

// Ends the program's process group: SIGTERM, then SIGKILL after 5 s.
void Stop(Child& child) {
  kill(-child.pid, SIGTERM);
  if (!SpinUntil([&] { return child.exited; }, 5000)) {
    kill(-child.pid, SIGKILL);
    SpinUntil([&] { return child.exited; }, 5000);
  }
  // Engine processes leave shortly after their UI process; let them go
  // before the next round measures.
  g_usleep(300 * 1000);
}

bool Measure(FixtureService& service, const Program& program, int settle_ms, Sample& sample) {
  service.ClearStamps();
  Child child;
  const double started = NowMs();
  if (!Spawn(program, child)) return false;
  const bool loaded =
      SpinUntil([&] { return service.Stamp("home").has_value() || child.exited; }, kLoadTimeoutMs);
  if (!loaded || child.exited) {
    g_printerr("startup_bench: %s did not load the home page\n", program.name);
    if (!child.exited) Stop(child);
    return false;
  }
  sample.startup_ms = *service.Stamp("home") - started;
  SpinUntil([] { return false; }, settle_ms);
  const std::vector<ProcessMemory> tree = ProcessTreeMemory(child.pid);
  sample.ui = Total(tree, ProcessRole::kUi);
  sample.web = Total(tree, ProcessRole::kWeb);
  sample.network = Total(tree, ProcessRole::kNetwork);
  sample.other = Total(tree, ProcessRole::kOther);
  Stop(child);
  return true;
}

struct Column {
  const char* name;
  double (*value)(const Sample&);
  const char* figure;  // the key of its line for scripts/bench's table, if any
  const char* unit;
};

const Column kColumns[] = {
    {"start-up to home page load (ms)", [](const Sample& s) { return s.startup_ms; }, "startup",
     "ms"},
    {"UI process RSS (MiB)", [](const Sample& s) { return s.ui.rss_kib / 1024.0; }, "ui-rss",
     "MiB"},
    {"web process RSS (MiB)", [](const Sample& s) { return s.web.rss_kib / 1024.0; }, nullptr,
     nullptr},
    {"network process RSS (MiB)", [](const Sample& s) { return s.network.rss_kib / 1024.0; },
     nullptr, nullptr},
    {"UI process PSS (MiB)", [](const Sample& s) { return s.ui.pss_kib / 1024.0; }, "ui-pss",
     "MiB"},
    {"web process PSS (MiB)", [](const Sample& s) { return s.web.pss_kib / 1024.0; }, nullptr,
     nullptr},
    {"all processes PSS (MiB)",
     [](const Sample& s) {
       return (s.ui.pss_kib + s.web.pss_kib + s.network.pss_kib + s.other.pss_kib) / 1024.0;
     },
     nullptr, nullptr},
};

std::vector<double> ColumnOf(const std::vector<Sample>& samples, const Column& column) {
  std::vector<double> values;
  for (const Sample& s : samples) values.push_back(column.value(s));
  return values;
}

int Run(int rounds, int settle_ms) {
  const std::string load_at_start = LoadAverage();
  FixtureService service("127.0.0.1", PELLOMAR_BENCH_PORT);
  if (!service.listening()) return 1;
  service.SetPage("/member/index.asp", HomePage());
  const std::string home = service.origin() + "/member/index.asp";
  const Program ours{"pellomar", {PELLOMAR_BENCH_CLIENT}};
  const Program bare{"bare_webview", {PELLOMAR_BENCH_BARE, home}};

  std::vector<Sample> our_samples, bare_samples;
  for (int round = 0; round < rounds; ++round) {
    const bool ours_first = round % 2 == 0;
    for (int turn = 0; turn < 2; ++turn) {
      const bool is_ours = (turn == 0) == ours_first;
      Sample sample;
      if (!Measure(service, is_ours ? ours : bare, settle_ms, sample)) return 1;
      (is_ours ? our_samples : bare_samples).push_back(sample);
      std::fprintf(stderr, "round %d %-12s %8.1f ms  UI %6.1f MiB  web %6.1f MiB\n", round + 1,
                   is_ours ? "pellomar" : "bare_webview", sample.startup_ms,
                   sample.ui.rss_kib / 1024.0, sample.web.rss_kib / 1024.0);
    }
  }

  std::printf("start-up and memory, median of %d rounds, memory %d ms after the load event\n",
              rounds, settle_ms);
  std::printf("%-34s %12s %12s %8s\n", "", "pellomar", "bare_webview", "ratio");
  for (const Column& column : kColumns) {
    const double our_median = Median(ColumnOf(our_samples, column));
    const double bare_median = Median(ColumnOf(bare_samples, column));
    std::printf("%-34s %12.1f %12.1f %8.3f\n", column.name, our_median, bare_median,
                bare_median > 0 ? our_median / bare_median : 0.0);
  }
  for (const Column& column : kColumns) {
    if (!column.figure) continue;
    PrintFigure(column.figure, Median(ColumnOf(our_samples, column)),
                Median(ColumnOf(bare_samples, column)), column.unit);
  }
  std::printf("load average at start %s, at end %s\n", load_at_start.c_str(),
              LoadAverage().c_str());
  return 0;
}

}  // namespace
}  // namespace pellomar::bench

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int settle_ms = argc > 2 ? std::atoi(argv[2]) : 2000;
  if (rounds < 1 || settle_ms < 0) {
    std::fprintf(stderr, "usage: startup_bench [ROUNDS [SETTLE_MS]]\n");
    return 2;
  }
  return pellomar::bench::Run(rounds, settle_ms);
}
