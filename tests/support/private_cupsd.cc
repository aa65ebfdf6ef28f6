#include "tests/support/private_cupsd.h"

#include <cups/cups.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/loopback_port.h"

namespace pellomar::testing {

namespace {

namespace fs = std::filesystem;

// The folders of a scheduler's own programs; only the backends differ.
constexpr const char* kSystemServerBin = "/usr/lib/cups";
constexpr const char* kServerBinParts[] = {"cgi-bin", "daemon",  "driver",
                                           "filter",  "monitor", "notifier"};

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out);
}

// A queue of printers.conf; the scheduler finds its driver, if any, in
// etc/ppd/<name>.ppd.
std::string Queue(const std::string& name, const std::string& device) {
  return "<Printer " + name + ">\nInfo " + name + "\nDeviceURI " + device +
         "\nState Idle\nType 4\nAccepting Yes\nShared No\nJobSheets none none\n"
         "OpPolicy default\nErrorPolicy abort-job\n</Printer>\n";
}

}  // namespace

PrivateCupsd::PrivateCupsd() {
  std::string pattern = (fs::temp_directory_path() / "pellomar-hostile-cupsd-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    error_ = "cannot make a folder for the scheduler";
    return;
  }
  root_ = pattern;
  spool_ = CaptureSpool(root_ + "/printed");
  port_ = FreeLoopbackPort();
  server_ = "127.0.0.1:" + std::to_string(port_);
  if (!WriteConfiguration()) {
    error_ = "cannot write the scheduler's configuration in " + root_;
    return;
  }
  env_.Set("CUPS_SERVER", server_);
  env_.Set("PRINTER", kQueue);
  env_.Unset("LPDEST");
  Start();
}

PrivateCupsd::~PrivateCupsd() {
  if (pid_ > 0) {
    Resume();
    Stop();
  }
  if (!root_.empty()) {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
}

bool PrivateCupsd::WriteConfiguration() {
  std::error_code error;
  for (const char* folder :
       {"etc", "state", "cache", "requests", "tmp", "log", "printed", "serverbin/backend"}) {
    fs::create_directories(fs::path(root_) / folder, error);
    if (error) return false;
  }
  // The backend runs as an unprivileged user: it must reach its program and
  // write the documents.
  chmod(root_.c_str(), 0755);
  chmod((root_ + "/serverbin").c_str(), 0755);
  chmod((root_ + "/serverbin/backend").c_str(), 0755);
  chmod(spool_.folder().c_str(), 0777);
  for (const char* part : kServerBinParts) {
    fs::create_directory_symlink(fs::path(kSystemServerBin) / part,
                                 fs::path(root_) / "serverbin" / part, error);
  }
  // The capture backend also stands in for the network printer's "ipp".
  for (const char* name : {"pellomar-capture", "ipp"}) {
    const fs::path backend = fs::path(root_) / "serverbin/backend" / name;
    fs::copy_file(PELLOMAR_CAPTURE_BACKEND, backend, fs::copy_options::overwrite_existing, error);
    if (error) return false;
    chmod(backend.c_str(), 0755);
  }
  fs::create_directories(fs::path(root_) / "etc/ppd", error);
  fs::copy_file(PELLOMAR_TEST_PPD, fs::path(root_) / "etc/ppd" / (std::string(kQueue) + ".ppd"),
                fs::copy_options::overwrite_existing, error);
  if (error) return false;

  const std::string etc = root_ + "/etc";
  // Job history is kept, as CUPS does by default: the client reads how a
  // job ended after it ended. Every request is logged, so that tests can
  // tell what the client asked.
  return WriteText(etc + "/cupsd.conf",
                   "Listen 127.0.0.1:" + std::to_string(port_) +
                       "\n"
                       "Browsing No\nWebInterface No\nLogLevel warn\nAccessLogLevel all\n"
                       "DefaultAuthType None\n"
                       "MaxJobs 0\nPreserveJobHistory Yes\nPreserveJobFiles No\n"
                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                       "</Policy>\n") &&
         WriteText(etc + "/cups-files.conf",
                   "ServerRoot " + etc + "\nServerBin " + root_ + "/serverbin\nStateDir " + root_ +
                       "/state\nCacheDir " + root_ + "/cache\nRequestRoot " + root_ +
                       "/requests\nTempDir " + root_ + "/tmp\nErrorLog " + root_ +
                       "/log/error_log\nAccessLog " + root_ + "/log/access_log\nPageLog " + root_ +
                       "/log/page_log\nUser lp\nGroup lp\nSystemGroup root\n"
                       "FileDevice No\n") &&
         WriteText(etc + "/printers.conf",
                   Queue(kQueue, "pellomar-capture:" + spool_.folder()) +
                       Queue(kRawQueue, "pellomar-capture:" + spool_.folder()) +
                       Queue(kRemoteQueue, "ipp://localhost" + spool_.folder()));
}

bool PrivateCupsd::Start() {
  if (!error_.empty() && root_.empty()) return false;
  const std::string conf = root_ + "/etc/cupsd.conf";
  const std::string files = root_ + "/etc/cups-files.conf";
  pid_ = fork();
  if (pid_ == 0) {
    execlp("cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0 || !WaitUntilAnswering(10000)) {
    std::ifstream log(root_ + "/log/error_log");
    const std::string said((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    error_ = "the scheduler on " + server_ + " did not come up: " + said;
    return false;
  }
  error_.clear();
  return true;
}

bool PrivateCupsd::WaitUntilAnswering(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    if (http_t* http = httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1,
                                    200, nullptr)) {
      cups_dest_t* dest = cupsGetNamedDest(http, kQueue, nullptr);
      const bool ready = dest != nullptr;
      cupsFreeDests(dest ? 1 : 0, dest);
      httpClose(http);
      if (ready) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

void PrivateCupsd::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void PrivateCupsd::Hang() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void PrivateCupsd::Resume() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

void PrivateCupsd::UseQueue(const std::string& queue) {
  queue_ = queue;
  env_.Set("PRINTER", queue_);
}

bool PrivateCupsd::Admin(const std::string& tool, const std::string& arguments) {
  const std::string command =
      tool + " -h " + server_ + " " + arguments + " " + queue_ + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool PrivateCupsd::SetDeviceFault(const std::string& fault) {
  const fs::path file = fs::path(spool_.folder()) / "fault";
  if (fault.empty()) {
    std::error_code error;
    fs::remove(file, error);
    return !error;
  }
  return WriteText(file, fault + "\n") && chmod(file.c_str(), 0644) == 0;
}

bool PrivateCupsd::HoldJob(int job) {
  const std::string command =
      "lp -h " + server_ + " -i " + std::to_string(job) + " -H hold >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::vector<int> PrivateCupsd::PrintedJobs() const { return spool_.Jobs(); }
std::string PrivateCupsd::JobName(int job) const { return spool_.Title(job); }
std::string PrivateCupsd::JobPdfPath(int job) const { return spool_.DocumentPath(job); }

// Each line of the access log ends with the operation and its status:
// ... "POST /printers/q HTTP/1.1" 200 181 Create-Job successful-ok
std::vector<std::string> PrivateCupsd::AnsweredOperations() const {
  std::vector<std::string> operations;
  std::ifstream log(root_ + "/log/access_log");
  std::string line;
  while (std::getline(log, line)) {
    if (line.find("\"POST ") == std::string::npos) continue;
    const std::size_t status = line.find_last_of(' ');
    if (status == std::string::npos || status == 0) continue;
    const std::size_t start = line.find_last_of(' ', status - 1);
    if (start == std::string::npos) continue;
    operations.push_back(line.substr(start + 1, status - start - 1));
  }
  return operations;
}

int PrivateCupsd::ActiveJobs() const {
  http_t* http =
      httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 2000, nullptr);
  if (http == nullptr) return -1;
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(http, &jobs, queue_.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(count, jobs);
  httpClose(http);
  return count;
}

bool PrivateCupsd::WaitForPrinted(std::size_t count, int timeout_ms) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (PrintedJobs().size() >= count && ActiveJobs() == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace pellomar::testing
