#include "settings/debug_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/pump.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

// The stream behind DebugFile. Only one log is ever open, so the handle is 1
// while it is open.
std::FILE* log_stream = nullptr;

// The file the last load line named, while no load has gone cleanly since.
std::string last_failed;

// What keeps a file from loading, as far as can be told from outside the
// loader: `kind` says what the file should have been ("a sound"), `problem`
// what the loader itself found wrong with it ("" when nothing). Only a
// regular file is opened to find out: what else has the name (a folder, a
// pipe, a device, a socket) is named as such, and a pipe is never waited on.
std::string WhyNotLoaded(const std::string& path, const std::string& kind, const std::string& problem) {
  std::string bytes;
  if (FileSize(path) < 0) {
    // Nothing at all, or a link that leads nowhere. Links that lead round in
    // a loop are there, and named in the system's words.
    if (!ReadWholeFile(path, bytes) && LastFileError() == std::strerror(ELOOP)) return LastFileError();
    return "missing";
  }
  if (FileType(path) == 1 && FileSize(path) == 0) return "empty";
  // Read to the end: a disk that fails part-way is the reason, not the file.
  if (!ReadWholeFile(path, bytes)) return LastFileError();
  if (!problem.empty()) return problem;
  return "not " + kind;
}

// NoteLoad for a load whose loader found `problem` with the file: one that
// loaded all the same (a picture or a sound cut short keeps what it holds)
// is named too, so that a picture with a part missing can be traced.
int32_t NoteLoadOf(int32_t handle, const std::string& path, const std::string& kind, const std::string& problem) {
  if (handle != 0 && problem.empty()) {
    last_failed.clear();
    return handle;
  }
  if (path != last_failed) {
    if (handle != 0) Debug("\tCould not load all of " + LogName(path) + " (" + problem + ")");
    else Debug("\tCould not load " + LogName(path) + " (" + WhyNotLoaded(path, kind, problem) + ")");
  }
  last_failed = path;
  return handle;
}

// NoteLoad for the platform's load just made, with what it found.
int32_t NotePlatformLoad(int32_t handle, const std::string& path, const std::string& kind) {
  return NoteLoadOf(handle, path, kind, LastLoadProblem());
}

}  // namespace

void OpenDebugLog(const std::string& path) {
  if (log_stream) std::fclose(log_stream);
  // Only a regular file is emptied: a link named like the log is not
  // followed, and a pipe is not waited on, which would hold the start-up
  // before any window for good. The run goes on without a log then, and
  // says so where the player can see it.
  log_stream = OpenFileInPlace(path);
  DebugFile = log_stream ? 1 : 0;
  last_failed.clear();
  if (!log_stream) TellTerminal("No log in this run: " + path + " (" + LastFileError() + ")");
}

void TellTerminal(const std::string& line) {
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
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

int32_t NoteLoad(int32_t handle, const std::string& path, const std::string& kind) {
  return NoteLoadOf(handle, path, kind, "");
}

std::string LogName(const std::string& path) {
  const std::string& data = Paths.data;
  if (!data.empty() && path.size() > data.size() && path.compare(0, data.size(), data) == 0)
    return path.substr(data.size());
  return path;
}

int32_t LoadImageLogged(const std::string& path, int32_t flags) {
  return NotePlatformLoad(LoadImage(path, flags), path, "a picture");
}

int32_t LoadAnimImageLogged(const std::string& path, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                            int32_t cells, int32_t flags) {
  return NotePlatformLoad(LoadAnimImage(path, cell_width, cell_height, first_cell, cells, flags), path,
                          "a picture of " + Str(first_cell + cells) + " frames of " + Str(cell_width) + "x" + Str(cell_height));
}

int32_t LoadSoundLogged(const std::string& path, int32_t flags) {
  return NotePlatformLoad(LoadSound(path, flags), path, "a sound");
}

int32_t LoadImageFontLogged(const std::string& path, int32_t size, int32_t style) {
  return NotePlatformLoad(LoadImageFont(path, size, style), path, "a font");
}

void SaveFailureNotice::Failed(const std::string& log_line) {
  Debug(log_line);
  if (!failing_) AddComment(comment_, 1);
  failing_ = true;
}
