#include "platform/app.h"

#include <cstdlib>

int RunApplication(const char* argv0, const std::function<void()>& main_routine) {
  (void)argv0;
  main_routine();
  return 0;
}

std::string AppDir() { return "./"; }

void AppExit(int status) { std::exit(status); }
