// Finds the engine's web processes started by this test process.
#pragma once

#include <sys/types.h>

#include <vector>

namespace pellomar::testing {

std::vector<pid_t> OwnWebProcesses();

}  // namespace pellomar::testing
