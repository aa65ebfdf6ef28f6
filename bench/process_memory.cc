#include "bench/process_memory.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace pellomar::bench {

namespace {

// "pid (comm) state ppid ..."; comm may hold spaces and parentheses.
bool ReadStat(pid_t pid, std::string& comm, pid_t& parent) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t open = text.find('(');
  const std::size_t close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  comm = text.substr(open + 1, close - open - 1);
  std::istringstream rest(text.substr(close + 1));
  std::string state;
  rest >> state >> parent;
  return static_cast<bool>(rest);
}

long FieldKib(const std::string& path, const std::string& field) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind(field + ":", 0) == 0)
      return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  }
  return 0;
}

ProcessRole RoleOf(const std::string& comm, bool is_root) {
  if (is_root) return ProcessRole::kUi;
  // comm is cut at 15 characters.
  if (comm.rfind("WebKitWebProces", 0) == 0) return ProcessRole::kWeb;
  if (comm.rfind("WebKitNetworkPr", 0) == 0) return ProcessRole::kNetwork;
  return ProcessRole::kOther;
}

}  // namespace

std::vector<ProcessMemory> ProcessTreeMemory(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  std::map<pid_t, std::string> comms;
  if (DIR* proc = opendir("/proc")) {
    while (dirent* entry = readdir(proc)) {
      const pid_t pid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
      std::string comm;
      pid_t parent = 0;
      if (pid > 0 && ReadStat(pid, comm, parent)) {
        children.emplace(parent, pid);
        comms[pid] = comm;
      }
    }
    closedir(proc);
  }
  std::vector<ProcessMemory> tree;
  std::vector<pid_t> pending{root};
  while (!pending.empty()) {
    const pid_t pid = pending.back();
    pending.pop_back();
    const std::string base = "/proc/" + std::to_string(pid);
    tree.push_back({pid, RoleOf(comms[pid], pid == root), FieldKib(base + "/status", "VmRSS"),
                    FieldKib(base + "/smaps_rollup", "Pss")});
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

}  // namespace pellomar::bench
