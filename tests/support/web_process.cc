#include "tests/support/web_process.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pellomar::testing {

namespace {

pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');  // the command name may hold spaces
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 2));
  char state;
  pid_t parent = 0;
  rest >> state >> parent;
  return parent;
}

bool DescendsFromUs(pid_t pid) {
  for (int hops = 0; pid > 1 && hops < 16; ++hops) {
    pid = ParentOf(pid);
    if (pid == getpid()) return true;
  }
  return false;
}

}  // namespace

std::vector<pid_t> OwnWebProcesses() {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream cmdline(entry.path() / "cmdline");
    std::string command;
    std::getline(cmdline, command, '\0');
    if (command.find("WebKitWebProcess") == std::string::npos) continue;
    const pid_t pid = std::stoi(name);
    if (DescendsFromUs(pid)) found.push_back(pid);
  }
  return found;
}

}  // namespace pellomar::testing
