#include "settings/debug_log.h"

#include <cstdio>

#include "startup/globals.h"

namespace {

// The stream behind DebugFile. Only one log is ever open, so the handle is 1
// while it is open.
std::FILE* log_stream = nullptr;

}  // namespace

void OpenDebugLog(const std::string& path) {
  if (log_stream) std::fclose(log_stream);
  log_stream = std::fopen(path.c_str(), "wb");
  DebugFile = log_stream ? 1 : 0;
}

int32_t Debug(const std::string& txt) {
  if (!log_stream || DebugFile == 0) return 0;
  std::fwrite(txt.data(), 1, txt.size(), log_stream);
  std::fwrite("\r\n", 1, 2, log_stream);
  std::fflush(log_stream);
  return 0;
}

void CloseDebugLog() {
  if (!log_stream) return;
  std::fclose(log_stream);
  log_stream = nullptr;
}
