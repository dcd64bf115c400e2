#include "startup/main_routine.h"

void MainRoutine() {}
