// A CUPS scheduler of the test's own: its own configuration, port, spool and
// capture queues, so that faults (stopping it, hanging it, disabling a queue)
// touch nothing that other tests use. The process points CUPS_SERVER and
// PRINTER at it (the PDF queue, until UseQueue) while the object lives. The
// queues: kQueue, a driver queue that takes PDF on 58 x 210 mm sheets;
// kRawQueue, a queue with no driver, as receipt printers are run; kRemoteQueue,
// a queue passing jobs on to a network printer's address that names no paper.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/capture_spool.h"
#include "tests/support/scoped_env.h"

namespace pellomar::testing {

class PrivateCupsd {
 public:
  PrivateCupsd();
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Empty when the scheduler runs and its queue answers; else what went wrong.
  const std::string& error() const { return error_; }
  const std::string& server() const { return server_; }  // 127.0.0.1:port
  static constexpr const char* kQueue = "pellomar-hostile";
  static constexpr const char* kRawQueue = "pellomar-hostile-raw";
  static constexpr const char* kRemoteQueue = "pellomar-hostile-remote";

  // Points PRINTER, Admin and ActiveJobs at another of the queues.
  void UseQueue(const std::string& queue);

  bool Start();
  void Stop();    // SIGTERM, and waits until it has gone
  void Hang();    // SIGSTOP
  void Resume();  // SIGCONT

  // Runs a CUPS command-line tool against this scheduler and the queue in
  // use (e.g. "cupsdisable").
  bool Admin(const std::string& tool, const std::string& arguments = "");

  // Makes the capture device fail the way a printer does: "stop <reason>"
  // stops the queue and keeps the job, "fail" fails it; "" mends it.
  bool SetDeviceFault(const std::string& fault);
  // Holds a pending job, as an operator would.
  bool HoldJob(int job);

  // Job ids of the documents the queue has passed to its device, ascending.
  std::vector<int> PrintedJobs() const;
  std::string JobName(int job) const;     // the job's title
  std::string JobPdfPath(int job) const;  // the document as printed, whatever its type
  // The folder the queues' device writes the documents to.
  const std::string& spool() const { return spool_.folder(); }
  // The IPP operations the scheduler has answered, oldest first
  // ("Get-Printer-Attributes", "Create-Job", ...).
  std::vector<std::string> AnsweredOperations() const;
  // Jobs the scheduler still holds (pending, held, processing).
  int ActiveJobs() const;
  // Waits until the device has `count` documents and the queue is idle.
  bool WaitForPrinted(std::size_t count, int timeout_ms) const;

 private:
  bool WriteConfiguration();
  bool WaitUntilAnswering(int timeout_ms);

  ScopedEnv env_;
  std::string root_;
  CaptureSpool spool_;
  std::string server_;
  std::string queue_ = kQueue;
  int port_ = 0;
  pid_t pid_ = -1;
  std::string error_;
};

}  // namespace pellomar::testing
