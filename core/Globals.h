// Process-wide settings of the foundation.
#pragma once

#include <string>

// Full path of the persisted state file; empty until start-up sets it.
extern std::string StateFileName;

// The folder of the running executable, with its trailing separator.
std::string ProgramFolder();
