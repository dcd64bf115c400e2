// The debug log "Debug.txt": one line per call of Debug, written as one byte per
// character and ended with CR LF. Detail lines under a heading start with one TAB.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// Creates (or empties) the log at `path` and keeps its stream open; DebugFile
// becomes its handle, or 0 when the file cannot be created or something
// other than a regular file has its name (a link, a pipe, a folder), which is
// left alone. Every later line then goes nowhere, and one line on standard
// error names the file and why.
void OpenDebugLog(const std::string& path);
// Appends one line and puts it on disk at once, so that a run that ends in a
// crash still leaves every line written before it. Always returns 0.
int32_t Debug(const std::string& txt);
// Closes the log (the farewell screen's last step). Later lines go nowhere.
void CloseDebugLog();
// One line on standard error, where whoever started the game sees it (the
// log lies out of sight in the data folder): why the run cannot go on, or
// goes on without its log. The line end is added.
void TellTerminal(const std::string& line);

// A path as the log names it: below the data folder "Files/" relative to it
// ("256/gfx.png"), anything else as it is.
std::string LogName(const std::string& path);

// The loads of the game's data files. Each gives what the platform's load
// gives (0 when nothing could be loaded); a load that fails also writes the
// line "\tCould not load <file> (<what is wrong>)", so that a picture or a
// sound that never shows can be traced to its file. A file that loads with a
// part missing (a picture or a sound cut short keeps what it holds) writes
// "\tCould not load all of <file> (data ends early)". The same file named
// again straight after (another cut of the same picture, the same font at
// another size) adds no line.
// The log line above for a load that gave `handle` 0; `kind` says what the
// file should have been ("a sound"). Gives the handle back.
int32_t NoteLoad(int32_t handle, const std::string& path, const std::string& kind);
int32_t LoadImageLogged(const std::string& path, int32_t flags);
int32_t LoadAnimImageLogged(const std::string& path, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                            int32_t cells, int32_t flags);
int32_t LoadSoundLogged(const std::string& path, int32_t flags);
int32_t LoadImageFontLogged(const std::string& path, int32_t size, int32_t style);

// A file that the game saves again and again (the player's level, the score
// history): every failed save writes its line to the log, and the player is
// shown `comment` on the comment ticker once, until a save succeeds again.
class SaveFailureNotice {
 public:
  explicit SaveFailureNotice(std::string comment) : comment_(std::move(comment)) {}
  void Failed(const std::string& log_line);
  void Succeeded() { failing_ = false; }
  // Whether the last save failed.
  bool Failing() const { return failing_; }
  // Forgets the streak: the next failure is shown again.
  void Reset() { failing_ = false; }

 private:
  std::string comment_;
  bool failing_ = false;
};
