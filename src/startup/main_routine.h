// The program's main routine: start-up, title loop, farewell.
#pragma once

void MainRoutine();
