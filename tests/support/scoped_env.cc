#include "tests/support/scoped_env.h"

#include <cstdlib>

namespace pellomar::testing {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

ScopedEnv::~ScopedEnv() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  Save(name);
  setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
  Save(name);
  unsetenv(name.c_str());
}

void ScopedEnv::Save(const std::string& name) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

}  // namespace pellomar::testing
