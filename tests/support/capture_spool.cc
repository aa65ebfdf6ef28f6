#include "tests/support/capture_spool.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace pellomar::testing {

std::vector<int> CaptureSpool::Jobs() const {
  std::vector<int> ids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename();
    if (name.starts_with("job-") && name.ends_with(".pdf")) {
      ids.push_back(std::atoi(name.c_str() + 4));
    }
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string CaptureSpool::DocumentPath(int job) const {
  return folder_ + "/job-" + std::to_string(job) + ".pdf";
}

std::string CaptureSpool::Title(int job) const {
  std::ifstream in(folder_ + "/job-" + std::to_string(job) + ".name");
  std::string title;
  std::getline(in, title);
  return title;
}

}  // namespace pellomar::testing
