// The folder the test queues' capture backend (tests/cups/pellomar-capture)
// keeps each job in: job-<id>.name holds the job's title, job-<id>.pdf its
// document whatever its type, written last and whole.
#pragma once

#include <string>
#include <vector>

namespace pellomar::testing {

class CaptureSpool {
 public:
  explicit CaptureSpool(std::string folder = "") : folder_(std::move(folder)) {}

  const std::string& folder() const { return folder_; }
  // Ids of the jobs whose documents are there, ascending.
  std::vector<int> Jobs() const;
  std::string DocumentPath(int job) const;
  std::string Title(int job) const;  // without its line end

 private:
  std::string folder_;
};

}  // namespace pellomar::testing
