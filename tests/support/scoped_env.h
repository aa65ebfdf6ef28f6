// The process's environment as the tests change it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pellomar::testing {

// The variable's value; empty when it is not set.
std::string Env(const char* name);

// Sets and unsets variables for one scope, restoring them when it goes.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

 private:
  void Save(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace pellomar::testing
