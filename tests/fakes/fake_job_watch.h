// A spooler in memory: the state of each job and of the printer, as a test
// sets them, and a record of every request made of it.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "receipt/receipt_follower.h"
#include "tests/fakes/recording_printer.h"

namespace pellomar::testing {

class FakeJobWatch : public JobWatch {
 public:
  JobAnswer QueryJob(const std::string& destination, int job_id) override {
    requests.push_back("job " + std::to_string(job_id) + " on " + destination);
    if (!answering) return {Reach::kUnreachable, {}, "no answer"};
    auto found = jobs.find(job_id);
    if (found == jobs.end()) return {Reach::kNotKnown, {}, "not found"};
    return {Reach::kAnswered, found->second, ""};
  }
  PrinterAnswer QueryPrinter(const std::string& destination) override {
    requests.push_back("printer " + destination);
    if (!answering) return {Reach::kUnreachable, {}, "no answer"};
    return {Reach::kAnswered, printer, ""};
  }
  CancelAnswer CancelJob(const std::string& destination, int job_id) override {
    requests.push_back("cancel " + std::to_string(job_id) + " on " + destination);
    if (!answering) return {Reach::kUnreachable, false, "no answer"};
    auto found = jobs.find(job_id);
    if (found == jobs.end()) return {Reach::kNotKnown, false, "not found"};
    if (OutcomeOf(found->second.state) != JobOutcome::kOnItsWay)
      return {Reach::kAnswered, false, ""};
    found->second.state = JobState::kCanceled;
    cancelled.push_back(job_id);
    return {Reach::kAnswered, true, ""};
  }

  std::map<int, JobStatus> jobs;
  PrinterStatus printer;
  bool answering = true;
  std::vector<std::string> requests;
  std::vector<int> cancelled;
};

// A recording printer whose accepted jobs get spooler ids 1, 2, ... on "till".
class SpoolingPrinter : public RecordingPrinter {
 public:
  explicit SpoolingPrinter(FakeJobWatch& watch) : watch_(watch) {}
  PrintResult EndDocument() override {
    const std::size_t released = jobs.size();
    PrintResult result = RecordingPrinter::EndDocument();
    if (!result.ok() || jobs.size() == released) return result;  // failed, or no job
    result.job_id = ++last_job_;
    result.destination = "till";
    watch_.jobs[result.job_id] = JobStatus{JobState::kPending, {}};
    return result;
  }
  int last_job() const { return last_job_; }

 private:
  FakeJobWatch& watch_;
  int last_job_ = 0;
};

class FakeStepTimer : public StepTimer {
 public:
  void StepIn(std::chrono::milliseconds delay) override { next = delay; }
  std::optional<std::chrono::milliseconds> next;
};

}  // namespace pellomar::testing
