// The page scripts, the error page and the icons compiled into the program.
#pragma once

#include <string>

namespace pellomar {

// Makes the compiled-in resources reachable under /com/pellomar/Pellomar;
// safe to call any number of times.
void RegisterProgramResources();

// The resource at `path` as text; empty, with a diagnostic, when missing.
std::string ProgramResourceText(const char* path);

}  // namespace pellomar
