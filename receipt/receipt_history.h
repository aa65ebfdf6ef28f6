// The receipts of this run, newest first, in memory only: each with its
// order number, the time it was settled, its lines and how far it got.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "receipt/printer_status.h"

namespace pellomar {

enum class ReceiptState {
  kNotSent,   // the printer did not take the job
  kSent,      // accepted, on its way as far as is known
  kHeld,      // the printer stopped or the job is held: not on paper yet
  kPrinted,   // the job completed
  kLost,      // the job was aborted or cancelled without reaching paper
  kReplaced,  // cancelled by us and sent again as a newer receipt
  kUnknown,   // no longer followed: the spooler forgot it, or following ran out of time
};

struct KeptReceipt {
  int id = 0;  // of this run, counting from 1
  std::u16string order_number;
  std::chrono::system_clock::time_point settled_at;  // of the first print; copies keep it
  std::vector<std::u16string> lines;
  ReceiptState state = ReceiptState::kNotSent;
  int job_id = 0;
  std::string destination;

  // Following.
  std::optional<std::chrono::steady_clock::time_point> followed_since, last_asked;
  bool ask_printer_next = false;
  JobState last_job_state = JobState::kPending;
  std::optional<StopReason> reported;  // the stop the till was last told of
  bool silence_reported = false;

  bool followed() const {
    return job_id > 0 && (state == ReceiptState::kSent || state == ReceiptState::kHeld);
  }
};

class ReceiptHistory {
 public:
  // Enough for a long service; the oldest are forgotten beyond it.
  static constexpr std::size_t kKept = 100;

  KeptReceipt& Add(KeptReceipt receipt) {
    receipt.id = ++last_id_;
    receipts_.push_front(std::move(receipt));
    if (receipts_.size() > kKept) receipts_.pop_back();
    return receipts_.front();
  }
  KeptReceipt* Find(int id) {
    for (KeptReceipt& receipt : receipts_) {
      if (receipt.id == id) return &receipt;
    }
    return nullptr;
  }
  KeptReceipt* Newest() { return receipts_.empty() ? nullptr : &receipts_.front(); }
  std::deque<KeptReceipt>& receipts() { return receipts_; }
  const std::deque<KeptReceipt>& receipts() const { return receipts_; }

 private:
  std::deque<KeptReceipt> receipts_;
  int last_id_ = 0;
};

}  // namespace pellomar
