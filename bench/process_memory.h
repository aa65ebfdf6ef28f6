// Resident memory of a process and of the engine's processes below it, read
// from /proc.
#pragma once

#include <sys/types.h>

#include <vector>

namespace pellomar::bench {

enum class ProcessRole { kUi, kWeb, kNetwork, kOther };

struct ProcessMemory {
  pid_t pid = 0;
  ProcessRole role = ProcessRole::kOther;
  long rss_kib = 0;  // VmRSS
  long pss_kib = 0;  // Pss: shared pages divided among their users
};

// `root` (the UI process) and every process descended from it.
std::vector<ProcessMemory> ProcessTreeMemory(pid_t root);

// The sum over the processes of a role.
ProcessMemory Total(const std::vector<ProcessMemory>& tree, ProcessRole role);

}  // namespace pellomar::bench
