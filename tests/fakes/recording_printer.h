// A printer that records every finished job and its lines; the contract
// test (tests/printing/page_printer_contract_test.cc) holds it to what the
// CUPS printer does.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "receipt/page_printer.h"

namespace pellomar::testing {

class RecordingPrinter : public PagePrinter {
 public:
  using Job = std::vector<std::u16string>;

  void PrintLine(std::u16string_view text) override { open_job.emplace_back(text); }
  PrintResult EndDocument() override {
    // A document without lines is no job: the spooler is not asked.
    if (open_job.empty()) return {};
    Job job = std::move(open_job);
    open_job.clear();
    if (!next_result.ok()) return std::exchange(next_result, PrintResult{});
    jobs.push_back(std::move(job));
    return {};
  }

  std::vector<Job> jobs;    // released to the spooler
  Job open_job;             // lines of a job not yet ended
  PrintResult next_result;  // the outcome of the next EndDocument
};

}  // namespace pellomar::testing
