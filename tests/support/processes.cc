#include "tests/support/processes.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace pellomar::testing {

namespace {

struct ProcessEntry {
  std::string command;  // as the kernel keeps it: cut at 15 characters
  char state = '?';     // 'Z': ended, not yet reaped
  pid_t parent = 0;
};

// "pid (comm) state ppid ..."; comm may hold spaces and parentheses.
bool ReadStat(pid_t pid, ProcessEntry& entry) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t open = text.find('(');
  const std::size_t close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  entry.command = text.substr(open + 1, close - open - 1);
  std::istringstream rest(text.substr(close + 1));
  rest >> entry.state >> entry.parent;
  return static_cast<bool>(rest);
}

std::map<pid_t, ProcessEntry> AllProcesses() {
  std::map<pid_t, ProcessEntry> processes;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return processes;
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
    ProcessEntry process;
    // A process that has ended holds nothing and can no longer be ended.
    if (pid > 0 && ReadStat(pid, process) && process.state != 'Z') {
      processes.emplace(pid, std::move(process));
    }
  }
  closedir(proc);
  return processes;
}

ProcessRole RoleOf(const std::string& command) {
  if (command.starts_with("WebKitWebProces")) return ProcessRole::kWeb;
  if (command.starts_with("WebKitNetworkPr")) return ProcessRole::kNetwork;
  return ProcessRole::kOther;
}

}  // namespace

ProcessMemory MemoryOf(pid_t pid) {
  ProcessMemory memory;
  memory.pid = pid;
  std::ifstream file("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  while (std::getline(file, line)) {
    if (line.starts_with("Rss:")) memory.rss_kib = std::strtol(line.c_str() + 4, nullptr, 10);
    if (line.starts_with("Pss:")) memory.pss_kib = std::strtol(line.c_str() + 4, nullptr, 10);
  }
  return memory;
}

std::vector<ProcessMemory> ProcessTreeMemory(pid_t root) {
  const std::map<pid_t, ProcessEntry> processes = AllProcesses();
  std::multimap<pid_t, pid_t> children;
  for (const auto& [pid, process] : processes) children.emplace(process.parent, pid);
  std::vector<ProcessMemory> tree;
  std::vector<pid_t> pending{root};
  while (!pending.empty()) {
    const pid_t pid = pending.back();
    pending.pop_back();
    ProcessMemory memory = MemoryOf(pid);
    const auto process = processes.find(pid);
    memory.role = pid == root                  ? ProcessRole::kUi
                  : process == processes.end() ? ProcessRole::kOther
                                               : RoleOf(process->second.command);
    tree.push_back(memory);
    const auto [first, last] = children.equal_range(pid);
    for (auto it = first; it != last; ++it) pending.push_back(it->second);
  }
  return tree;
}

ProcessMemory Total(const std::vector<ProcessMemory>& tree, ProcessRole role) {
  ProcessMemory total;
  total.role = role;
  for (const ProcessMemory& process : tree) {
    if (process.role != role) continue;
    total.rss_kib += process.rss_kib;
    total.pss_kib += process.pss_kib;
  }
  return total;
}

std::vector<pid_t> OwnWebProcesses() {
  const std::map<pid_t, ProcessEntry> processes = AllProcesses();
  const auto descends_from_us = [&](pid_t pid) {
    for (int hops = 0; pid > 1 && hops < 16; ++hops) {
      const auto process = processes.find(pid);
      if (process == processes.end()) return false;
      pid = process->second.parent;
      if (pid == getpid()) return true;
    }
    return false;
  };
  std::vector<pid_t> found;
  for (const auto& [pid, process] : processes) {
    if (RoleOf(process.command) == ProcessRole::kWeb && descends_from_us(pid)) {
      found.push_back(pid);
    }
  }
  return found;
}

}  // namespace pellomar::testing
