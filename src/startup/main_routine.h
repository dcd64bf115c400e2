// The program's main routine: start-up, title loop, farewell.
#pragma once

#include <cstdint>

// 0 until the main routine is first entered, then 1 for the rest of the process.
extern int32_t MainRoutineOnce;

// Runs the whole life of the program once. The first call ends inside the
// farewell screen; every later call returns at once and touches nothing.
// Memory that runs out with nothing below to catch it ends the process
// through LeaveOutOfMemory, with its status.
void MainRoutine();
