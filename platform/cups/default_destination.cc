#include "platform/cups/default_destination.h"

#include <strings.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <utility>

#include "platform/cups/destination_report.h"

namespace pellomar {

namespace {

using OwnedIpp = std::unique_ptr<ipp_t, ReleaseWith<ippDelete>>;

std::optional<std::string> Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

FileStamp StampOf(const std::string& path) {
  struct stat status {};
  if (path.empty() || stat(path.c_str(), &status) != 0) return {};
  return FileStamp{.exists = true,
                   .device = status.st_dev,
                   .inode = status.st_ino,
                   .size = status.st_size,
                   .modified_ns = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec};
}

// CUPS's server root, where the system's lpoptions are.
std::string SystemOptionsPath() {
  return Env("CUPS_SERVERROOT").value_or("/etc/cups") + "/lpoptions";
}

// A "Default name[/instance] options" line, as CUPS reads lpoptions: the
// first word of a line that is not a comment, in any case, with a value.
bool NamesADefault(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const std::size_t end = line.find_first_of(" \t", start);
    if (end == std::string::npos || end - start != 7) continue;
    if (strncasecmp(line.c_str() + start, "default", 7) != 0) continue;
    if (line.find_first_not_of(" \t\r", end) != std::string::npos) return true;
  }
  return false;
}

std::string_view DestOption(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}

// What one short request tells of the destination.
struct Answer {
  bool reached = false;  // the scheduler answered
  bool found = false;    // and knows the destination
  std::string name;
  int config_time = 0;
  bool stopped = false;
  std::string reasons;  // comma-separated, as CUPS lists them in a destination
};

// Of the scheduler's default (CUPS-Get-Default), or of the named destination.
Answer Ask(const SchedulerConnection& connection, const cups_dest_t& dest, bool by_scheduler) {
  OwnedIpp request(
      ippNewRequest(by_scheduler ? IPP_OP_CUPS_GET_DEFAULT : IPP_OP_GET_PRINTER_ATTRIBUTES));
  if (!by_scheduler) {
    std::string uri(DestOption(dest, "printer-uri-supported"));
    if (uri.empty()) {
      std::array<char, HTTP_MAX_URI> assembled{};
      httpAssembleURIf(HTTP_URI_CODING_ALL, assembled.data(), assembled.size(), "ipp", nullptr,
                       "localhost", ippPort(), "/printers/%s", dest.name);
      uri = assembled.data();
    }
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 uri.c_str());
  }
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  static constexpr std::array<const char*, 4> kWanted = {
      "printer-name", "printer-state", "printer-state-reasons", "printer-config-change-time"};
  ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kWanted.size(), nullptr, kWanted.data());

  Answer answer;
  OwnedIpp response(cupsDoRequest(connection.get(), request.release(), "/"));
  if (connection.timed_out()) return answer;
  if (!response) {
    // A refusal of the request (not found, not authorised) still tells;
    // anything else is silence.
    const ipp_status_t status = cupsLastError();
    answer.reached = status >= IPP_STATUS_ERROR_BAD_REQUEST && status < IPP_STATUS_ERROR_INTERNAL;
    return answer;
  }
  answer.reached = true;
  if (ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING) return answer;
  ipp_attribute_t* name = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
  ipp_attribute_t* config =
      ippFindAttribute(response.get(), "printer-config-change-time", IPP_TAG_INTEGER);
  const char* name_text = name != nullptr ? ippGetString(name, 0, nullptr) : nullptr;
  if (name_text == nullptr || config == nullptr) return answer;
  answer.found = true;
  answer.name = name_text;
  answer.config_time = ippGetInteger(config, 0);
  ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
  answer.stopped = state != nullptr && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
  if (ipp_attribute_t* reasons =
          ippFindAttribute(response.get(), "printer-state-reasons", IPP_TAG_KEYWORD)) {
    for (int i = 0; i < ippGetCount(reasons); ++i) {
      if (const char* reason = ippGetString(reasons, i, nullptr)) {
        answer.reasons.append(answer.reasons.empty() ? "" : ",").append(reason);
      }
    }
  }
  return answer;
}

}  // namespace

DefaultNaming CurrentDefaultNaming(const std::string& server) {
  const std::optional<std::string> home = Env("HOME");
  std::string user_options = home ? *home + "/.cups/lpoptions" : "";
  const FileStamp user_stamp = StampOf(user_options);
  return DefaultNaming{.server = server,
                       .lpdest = Env("LPDEST"),
                       .printer = Env("PRINTER"),
                       .user_options_path = std::move(user_options),
                       .user_options = user_stamp,
                       .system_options = StampOf(SystemOptionsPath())};
}

bool NamedLocally(const DefaultNaming& naming) {
  if (naming.lpdest || (naming.printer && *naming.printer != "lp")) return true;
  return (naming.user_options.exists && NamesADefault(naming.user_options_path)) ||
         (naming.system_options.exists && NamesADefault(SystemOptionsPath()));
}

PrintResult RequestFailed(const SchedulerConnection& connection, PrintError otherwise) {
  // What CUPS says after an abandoned request is about the request, not
  // about the silence; name the server instead.
  if (connection.timed_out()) {
    return {PrintError::kUnreachable, connection.server() + ": no answer within " +
                                          std::to_string(static_cast<int>(kAnswerTimeoutSeconds)) +
                                          " s"};
  }
  if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
    return {PrintError::kUnreachable, connection.server() + ": " + LastCupsError()};
  }
  return {otherwise, LastCupsError()};
}

PrintResult DefaultDestination::Refresh(const SchedulerConnection& connection) {
  DefaultNaming naming = CurrentDefaultNaming(connection.server());
  if (kept_ && kept_->settled && kept_->naming == naming) {
    const Answer answer = Ask(connection, *kept_->dest, kept_->by_scheduler);
    if (!answer.reached) return RequestFailed(connection, PrintError::kUnreachable);
    if (answer.found && answer.name == kept_->dest->name &&
        answer.config_time == kept_->config_time) {
      kept_->stopped = answer.stopped;
      kept_->reasons = answer.reasons;
      return {};
    }
  }
  return Resolve(connection, std::move(naming));
}

// LPDEST, PRINTER, the user's and the system's lpoptions, then the
// scheduler's default: CUPS's own order.
PrintResult DefaultDestination::Resolve(const SchedulerConnection& connection,
                                        DefaultNaming naming) {
  kept_.reset();
  auto kept = std::make_unique<Kept>();
  kept->by_scheduler = !NamedLocally(naming);
  kept->naming = std::move(naming);
  kept->dest.reset(cupsGetNamedDest(connection.get(), nullptr, nullptr));
  if (!kept->dest) return RequestFailed(connection, PrintError::kNoDestination);
  kept->stopped = DestOption(*kept->dest, "printer-state") == "5";
  kept->reasons = DestOption(*kept->dest, "printer-state-reasons");

  // Asked before the info is copied, so that a change made meanwhile moves
  // the time past the one kept.
  const std::time_t asked_at = std::time(nullptr);
  const Answer answer = Ask(connection, *kept->dest, kept->by_scheduler);
  if (!answer.reached) return RequestFailed(connection, PrintError::kUnreachable);
  kept->config_time = answer.config_time;
  kept->settled = answer.found && answer.name == kept->dest->name && asked_at > answer.config_time;

  kept->info.reset(cupsCopyDestInfo(connection.get(), kept->dest.get()));
  if (!kept->info) return RequestFailed(connection, PrintError::kRefused);
  kept->report = ReadDestinationReport(connection.get(), kept->dest.get(), kept->info.get());
  kept_ = std::move(kept);
  return {};
}

}  // namespace pellomar
