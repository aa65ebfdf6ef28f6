// Processes as /proc shows them: the tree below a process, the part of the
// engine each one plays, and the memory each holds. The one reader of /proc
// for the tests and the benchmarks.
#pragma once

#include <sys/types.h>

#include <vector>

namespace pellomar::testing {

enum class ProcessRole { kUi, kWeb, kNetwork, kOther };

// A process's memory, from /proc/<pid>/smaps_rollup. Which measure fits:
// - rss_kib, the resident set: every page of the process in memory, shared
//   ones counted whole. For one process against itself (growth over a run,
//   what a first use adds): it moves only with what the process does.
// - pss_kib, the proportional set: each shared page divided among the
//   processes that map it. For sums over processes (no library counted once
//   per process); it also moves when other processes map the same pages.
struct ProcessMemory {
  pid_t pid = 0;
  ProcessRole role = ProcessRole::kOther;
  long rss_kib = 0;
  long pss_kib = 0;
};

// The memory of one process (zeros when it cannot be read); role kOther.
ProcessMemory MemoryOf(pid_t pid);

// root (the UI process) and every process descended from it, root first.
std::vector<ProcessMemory> ProcessTreeMemory(pid_t root);

// The sum over the processes of a role.
ProcessMemory Total(const std::vector<ProcessMemory>& tree, ProcessRole role);

// The engine's web processes descended from this process.
std::vector<pid_t> OwnWebProcesses();

}  // namespace pellomar::testing
