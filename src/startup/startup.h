// The start-up of the main routine up to the open debug log: the game's identity,
// the game-loop tables and credits, the object kinds, the global tables, the
// joystick scan, the default controls and settings, the data folder and the log.
#pragma once

#include <string>
#include <vector>

struct StartupStep {
  const char* name;
  void (*run)();
};

// The steps in the order the main routine runs them.
const std::vector<StartupStep>& StartupSteps();

// Resolves the game's folders below `root` (the executable's folder) and runs
// every start-up step in order. Afterwards the process works in the data folder
// and "Debug.txt" is open there. A copy started on the folder of a running one
// says so in one line and ends with status 0 before it writes anything.
void RunStartup(const std::string& root);
