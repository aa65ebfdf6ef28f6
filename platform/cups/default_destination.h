// The user's default CUPS destination with what a job on it needs: its
// description, its info (cupsCopyDestInfo) and the report its paper is
// chosen from. They are kept from job to job while they are valid: each job
// asks the scheduler once for the destination's state and the time its
// configuration last changed, and everything is looked up again when that
// time moved, when the destination is gone or the scheduler's default is
// another queue, or when what names the default changed (the server, LPDEST,
// PRINTER, the user's or the system's lpoptions).
#pragma once

#include <cups/cups.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "platform/cups/owned_handles.h"
#include "platform/cups/paper_choice.h"
#include "platform/cups/scheduler_connection.h"
#include "receipt/page_printer.h"

namespace pellomar {

// A file as it stands, to tell whether it changed.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long modified_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// Everything besides the scheduler that names the default destination, in
// CUPS's own order.
struct DefaultNaming {
  std::string server;
  std::optional<std::string> lpdest;
  std::optional<std::string> printer;
  std::string user_options_path;  // $HOME/.cups/lpoptions
  FileStamp user_options;
  FileStamp system_options;  // lpoptions of CUPS's server root
  bool operator==(const DefaultNaming&) const = default;
};

DefaultNaming CurrentDefaultNaming(const std::string& server);

// Whether the default is named on this side (LPDEST, PRINTER other than
// "lp", a Default line of an lpoptions file) rather than by the scheduler.
bool NamedLocally(const DefaultNaming& naming);

// How a request that got no good answer reads as a print failure:
// unreachable when the scheduler went silent or away, else `otherwise`.
PrintResult RequestFailed(const SchedulerConnection& connection, PrintError otherwise);

class DefaultDestination {
 public:
  // Makes dest(), info(), report() and the state those of the default
  // destination now; one request when nothing changed. On failure, the kind
  // and the print system's words.
  PrintResult Refresh(const SchedulerConnection& connection);
  // Looks everything up again at the next Refresh.
  void Forget() { kept_.reset(); }

  cups_dest_t* dest() const { return kept_->dest.get(); }
  cups_dinfo_t* info() const { return kept_->info.get(); }
  const DestinationReport& report() const { return kept_->report; }
  // As the scheduler answered at the last Refresh.
  bool stopped() const { return kept_->stopped; }
  const std::string& state_reasons() const { return kept_->reasons; }

 private:
  struct Kept {
    DefaultNaming naming;
    bool by_scheduler = false;  // the scheduler's default, not named here
    OwnedDest dest;
    OwnedDestInfo info;
    DestinationReport report;
    int config_time = 0;
    // The configuration time counts whole seconds: a second change within
    // the second of the one seen would not move it. Kept only once a
    // request made after that second has seen it.
    bool settled = false;
    bool stopped = false;
    std::string reasons;
  };

  PrintResult Resolve(const SchedulerConnection& connection, DefaultNaming naming);

  std::unique_ptr<Kept> kept_;
};

}  // namespace pellomar
