// The debug log "Debug.txt": one line per call of Debug, written as one byte per
// character and ended with CR LF. Detail lines under a heading start with one TAB.
#pragma once

#include <cstdint>
#include <string>

// Creates (or empties) the log at `path` and keeps its stream open; DebugFile
// becomes its handle, or 0 when the file cannot be created (every later line
// then goes nowhere).
void OpenDebugLog(const std::string& path);
// Appends one line and puts it on disk at once, so that a run that ends in a
// crash still leaves every line written before it. Always returns 0.
int32_t Debug(const std::string& txt);
// Closes the log (the farewell screen's last step). Later lines go nowhere.
void CloseDebugLog();
