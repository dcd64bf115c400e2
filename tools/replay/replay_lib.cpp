#include "replay_lib.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "game/game_state.h"
#include "game/play_game.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "map/map_screen.h"
#include "music/player_step.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "settings/debug_log.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "startup/startup.h"
#include "title/title.h"

#include "leftover.h"

#ifndef DUSKMOOR_DEFAULT_GAME_DIR
#define DUSKMOOR_DEFAULT_GAME_DIR ""
#endif

namespace replay {
namespace {

namespace fs = std::filesystem;

// The slot of player 1's fire control in the bindings table: the start control.
constexpr int32_t kFireSlot = 10;

// ---- game folder ---------------------------------------------------------------------

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

// The player's own files of a game folder: a run starts without them, as on
// a fresh installation, so that what the player set or scored cannot change
// the outcome.
bool PlayersFile(const fs::path& relative) {
  const std::string name = relative.filename().string();
  // Only the game writes straight into Files/ (settings, log, screenshots).
  if (relative.has_parent_path() && !relative.parent_path().has_parent_path()) return true;
  return name == "Setup.ini" || name == "Debug.txt" || name == "scores.dat" || name == "crash.dat";
}

// Copies one file of the game data by plain reads and writes: the library's
// copy takes a write cut short (a full disk, a file-size limit) for an
// input/output error, and the reason would be lost.
void CopyDataFile(const fs::path& from, const fs::path& to) {
  auto fail = [&](const fs::path& which) {
    throw fs::filesystem_error("cannot copy", which, std::error_code(errno, std::generic_category()));
  };
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) fail(from);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } const input{in};
  struct stat st{};
  if (::fstat(in, &st) != 0) fail(from);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) fail(to);
  const Closer output{out};
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(from);
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) fail(to);
      done += w;
    }
  }
}

void CopyGameData(const fs::path& from, const fs::path& to) {
  try {
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
      const fs::path rel = fs::relative(entry.path(), from);
      if (entry.is_directory()) {
        fs::create_directories(to / rel);
      } else if (entry.is_regular_file() && !PlayersFile(fs::path("Files") / rel)) {
        CopyDataFile(entry.path(), to / rel);
      }
    }
  } catch (const fs::filesystem_error& e) {
    // A full disk or a file-size limit: said in one line, without the
    // library's wording around it.
    throw std::runtime_error("cannot copy the game data into " + to.string() + ": " + e.code().message());
  }
}

enum class Read { Done, Missing, Folder, NotAFile, TooLarge, Failed };

// Reads a whole file into `bytes`, by the one rule for everything the tool
// reads (levels and scripts): only a regular file is opened, so that a pipe
// cannot hold the tool at its opening and a device cannot feed it for ever.
// The opening does not wait either, and what it opened is looked at again,
// in case something else took the name meanwhile. A name that leads nowhere
// (missing, a link to nothing or round in a circle) is Missing. With
// `max_bytes`, a file larger than that is TooLarge, and no more of it is read.
// Missing and Failed leave the system's reason in errno.
Read ReadRegular(const std::string& path, std::string& bytes, int64_t max_bytes = -1) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return Read::Missing;
  if (S_ISDIR(st.st_mode)) return Read::Folder;
  if (!S_ISREG(st.st_mode)) return Read::NotAFile;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Read::Failed;
  Read result = Read::Done;
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    result = Read::Failed;
    error = errno;
  } else if (S_ISDIR(st.st_mode)) result = Read::Folder;
  else if (!S_ISREG(st.st_mode)) result = Read::NotAFile;
  else if (max_bytes >= 0 && st.st_size > max_bytes) result = Read::TooLarge;
  bytes.clear();
  char buf[64 * 1024];
  while (result == Read::Done) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = Read::Failed;
      error = errno;
    }
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
    // It grew while it was read.
    if (max_bytes >= 0 && static_cast<int64_t>(bytes.size()) > max_bytes) result = Read::TooLarge;
  }
  ::close(fd);
  if (result == Read::TooLarge) std::string().swap(bytes);
  errno = error;
  return result;
}

std::string TooLarge(const std::string& level) {
  return "the level file is larger than a level can be (" + std::to_string(kMaxLevelFileBytes) + " bytes): " + level;
}

struct LevelFile {
  fs::path path;
  std::string bytes;
};

// The level files of `level` (one file, or every level file of a folder),
// read.
std::vector<LevelFile> LevelFiles(const std::string& level) {
  std::vector<LevelFile> files;
  LevelFile file{level, {}};
  const Read read = ReadRegular(level, file.bytes, kMaxLevelFileBytes);
  if (read == Read::Missing) throw InputError("level not found: " + level);
  if (read == Read::NotAFile) throw InputError("the level is neither a file nor a folder: " + level);
  if (read != Read::Folder) {
    if (!IsLevelFileName(fs::path(level).filename().string()))
      throw InputError("a level file's name ends in .xml: " + level);
    if (read == Read::Failed) throw InputError("cannot read the level file: " + level);
    if (read == Read::TooLarge) throw InputError(TooLarge(level));
    files.push_back(std::move(file));
    return files;
  }
  // As the game's own scan does, a pack passes over every entry that is no
  // regular file (a folder, a pipe, a device, a link to nothing or round in
  // a circle) and every file too large to be a level.
  std::error_code ec;
  for (fs::directory_iterator it(level, ec), end; !ec && it != end; it.increment(ec)) {
    LevelFile entry{it->path(), {}};
    if (!IsLevelFileName(entry.path.filename().string())) continue;
    const Read read = ReadRegular(entry.path.string(), entry.bytes, kMaxLevelFileBytes);
    if (read == Read::Failed) throw InputError("cannot read the level file: " + entry.path.string());
    if (read == Read::Done) files.push_back(std::move(entry));
  }
  if (ec) throw InputError("cannot read the level folder: " + level);
  if (files.empty()) throw InputError("no level file (*.xml) in the folder: " + level);
  return files;
}

// ---- the copy ----------------------------------------------------------------------------

// Makes the temporary folder of a run. Whatever ends the command from here on
// (a return, an exception, a signal, memory running out in the middle of a
// frame) removes it: the clean-up knows its path before it exists.
fs::path MakeCopyFolder() {
  // $TMPDIR, else /tmp: an empty TMPDIR names no folder, as if it were unset.
  // Whatever TMPDIR names, mkdtemp says why it cannot be used (missing, no
  // folder, not writable), so nothing is checked beforehand.
  const char* env = std::getenv("TMPDIR");
  const std::string tmp = env != nullptr && *env != '\0' ? env : "/tmp";
  // The start-up changes the current folder: the clean-up needs the whole path.
  std::string path = Absolute((fs::path(tmp) / "duskmoor-replay-XXXXXX").string());
  bool made = false, known = false;
  int error = 0;
  toolcommon::WithEndSignalsHeld([&] {
    made = ::mkdtemp(path.data()) != nullptr;
    error = errno;
    known = made && toolcommon::SetLeftover(path, toolcommon::Leftover::Folder);
  });
  if (made && !known) {
    ::rmdir(path.c_str());
    throw std::runtime_error("the temporary folder's path is too long");
  }
  if (!made) throw std::runtime_error("cannot make a temporary folder in " + tmp + ": " + std::strerror(error));
  return fs::path(path);
}

// ---- keeping the run's files -------------------------------------------------------------

// Why a folder of the kept tree did not open: a link or something else than
// a folder has its name, or the system's words.
[[noreturn]] void NoKeptFolder(const fs::path& shown) {
  const int error = errno;
  if (error == ELOOP || error == ENOTDIR)
    throw std::runtime_error("cannot keep the run's files: " + shown.string() + " is not a folder");
  throw std::runtime_error("cannot keep the run's files: " + shown.string() + ": " + std::strerror(error));
}

// A folder of the kept tree: opened, or made, in the folder open as `at`,
// never through a link (one planted there could lead anywhere).
int KeptFolder(int at, const std::string& name, const fs::path& shown) {
  if (::mkdirat(at, name.c_str(), 0777) != 0 && errno != EEXIST)
    throw std::runtime_error("cannot keep the run's files: cannot make " + shown.string() + ": " + std::strerror(errno));
  const int fd = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) NoKeptFolder(shown);
  return fd;
}

struct FolderFd {
  int fd;
  ~FolderFd() { ::close(fd); }
};

// Writes `bytes` as the file `name` in the folder open as `at`: a new file,
// renamed over whatever had the name, so that a link there (symbolic or one
// of several hard links) is replaced and its target left as it was. The
// signals wait for the file to be in place, and a failure leaves no part of
// it behind.
void KeepFile(int at, const std::string& name, const std::string& bytes, mode_t mode, const fs::path& shown) {
  const std::string stem = "." + name + ".keep-" + std::to_string(::getpid()) + "-";
  std::vector<std::string> temporaries;
  for (int n = 0; n < 100; ++n) temporaries.push_back(stem + std::to_string(n));
  int error = 0;
  // Nothing in here asks for memory, so nothing but the system calls fails.
  toolcommon::WithEndSignalsHeld([&] {
    int fd = -1;
    const std::string* temporary = nullptr;
    for (const std::string& candidate : temporaries) {
      fd = ::openat(at, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      temporary = &candidate;
      if (fd >= 0 || errno != EEXIST) break;
    }
    if (fd < 0) {
      error = errno;
      return;
    }
    if (::fchmod(fd, mode & 0777) != 0) error = errno;
    for (size_t done = 0; error == 0 && done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) error = n < 0 ? errno : EIO;
      else done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::renameat(at, temporary->c_str(), at, name.c_str()) != 0) error = errno;
    if (error != 0) ::unlinkat(at, temporary->c_str(), 0);
  });
  if (error != 0)
    throw std::runtime_error("cannot keep the run's files: " + shown.string() + ": " + std::strerror(error));
}

// Copies the folder `from` of the run into the kept folder open as `at`, as
// `name`. What the run made is only folders and regular files.
void KeepTree(const fs::path& from, int at, const std::string& name, const fs::path& shown) {
  const FolderFd folder{KeptFolder(at, name, shown)};
  std::error_code ec;
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string entryName = path.filename().string();
    const fs::file_status st = it->symlink_status(ec);
    if (ec) break;
    if (fs::is_directory(st)) {
      KeepTree(path, folder.fd, entryName, shown / entryName);
    } else if (fs::is_regular_file(st)) {
      std::string bytes;
      const Read read = ReadRegular(path.string(), bytes);
      if (read != Read::Done) {
        const std::string why = read == Read::Missing || read == Read::Failed ? std::strerror(errno) : "not a file";
        throw std::runtime_error("cannot keep the run's files: cannot read the run's file " + path.string() + ": " +
                                 why);
      }
      KeepFile(folder.fd, entryName, bytes, static_cast<mode_t>(st.permissions()), shown / entryName);
    }
  }
  if (ec)
    throw std::runtime_error("cannot keep the run's files: cannot read the run's folder " + from.string() + ": " +
                             ec.message());
}

// Copies the run's Files/ and levels folder into `keep`, which is made when
// missing. Below `keep` nothing is written through a link.
void KeepRunFiles(const fs::path& root, const fs::path& levelsDir, const fs::path& keep) {
  int top = ::open(keep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (top < 0 && errno == ENOENT) {
    // Why the folder could not be made is the answer, not that it is missing.
    std::error_code ec;
    fs::create_directories(keep, ec);
    if (ec)
      throw std::runtime_error("cannot keep the run's files: cannot make " + keep.string() + ": " + ec.message());
    top = ::open(keep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  if (top < 0) NoKeptFolder(keep);
  const FolderFd keptFolder{top};
  // Both folders are checked before a file is written.
  ::close(KeptFolder(top, "Files", keep / "Files"));
  ::close(KeptFolder(top, levelsDir.filename().string(), keep / levelsDir.filename()));
  KeepTree(root / "Files", top, "Files", keep / "Files");
  KeepTree(levelsDir, top, levelsDir.filename().string(), keep / levelsDir.filename());
}

// ---- the run ---------------------------------------------------------------------------

// The clock and the random sequence at the first map screen: as if the title
// screen had been up for a minute, whatever the start-up took.
constexpr int32_t kClockStart = 60000;
constexpr int32_t kSeedStart = 60000;
// Input queries without a frame before a wait counts as stuck on held keys.
constexpr int64_t kStallPolls = 100000;
constexpr int32_t kMostStalls = 3;

// Unwinds the game from inside the frame pump once the script is over.
struct StopRun {};

struct RunState {
  const Script* script = nullptr;
  std::optional<ScriptInput> input;
  std::ostream* trace = nullptr;
  std::function<void(int32_t)> afterFrame;
  bool tracing = false;
  bool playing = false;  // the first map screen has been left
  int32_t frames = 0;
  int32_t levelsCompleted = 0;
  int32_t lastEndOfLevel = 0;
  bool farewell = false;    // the game asked to end the program
  int32_t pauseAnswer = 0;  // the pause menu's answer within the current pump
  bool quitChosen = false;  // that answer ends the game once the pump returns
  int64_t pollsAtFrame = 0;
  int32_t stalls = 0;
  std::set<int32_t> keysDown, buttonsDown;
  // Let go of by a stuck wait, until the script lets go of them.
  std::set<int32_t> keysLetGo, buttonsLetGo;
  int32_t startKey = 0;
};

RunState* g_run = nullptr;

int32_t KeyOf(const Control& c) {
  if (c.kind == ControlKind::Action) return KeyV[static_cast<size_t>(c.code)];
  return c.code;
}

void SetKey(int32_t key, bool down) {
  if (down == (g_run->keysDown.count(key) != 0)) return;
  if (down) {
    testbackend::PressKey(key);
    g_run->keysDown.insert(key);
  } else {
    testbackend::ReleaseKey(key);
    g_run->keysDown.erase(key);
  }
}

void SetButton(int32_t button, bool down) {
  if (down == (g_run->buttonsDown.count(button) != 0)) return;
  if (down) {
    testbackend::PressMouse(button);
    g_run->buttonsDown.insert(button);
  } else {
    testbackend::ReleaseMouse(button);
    g_run->buttonsDown.erase(button);
  }
}

// Sets the input the script gives frame `frame`, before that frame runs.
void InputFor(int32_t frame) {
  RunState& r = *g_run;
  const FrameInput input = r.input->For(frame);
  std::set<int32_t> keys, buttons;
  for (const Control& c : input.held) {
    if (c.kind == ControlKind::Mouse) buttons.insert(c.code);
    else keys.insert(KeyOf(c));
  }
  auto stayUp = [](std::set<int32_t>& letGo, std::set<int32_t>& held) {
    for (auto it = letGo.begin(); it != letGo.end();) {
      if (held.count(*it) == 0) it = letGo.erase(it);
      else held.erase(*it++);
    }
  };
  stayUp(r.keysLetGo, keys);
  stayUp(r.buttonsLetGo, buttons);
  const std::set<int32_t> down = r.keysDown;
  for (int32_t k : down) {
    if (keys.count(k) == 0) SetKey(k, false);
  }
  for (int32_t k : keys) SetKey(k, true);
  const std::set<int32_t> pressed = r.buttonsDown;
  for (int32_t b : pressed) {
    if (buttons.count(b) == 0) SetButton(b, false);
  }
  for (int32_t b : buttons) SetButton(b, true);
  for (const MouseMove& m : input.moves) testbackend::SetMouse(m.x, m.y);
  for (const std::string& text : input.typed) testbackend::TypeText(text);
}

std::string StateName(const RunState& r, bool returned) {
  if (r.farewell || playstate.loopexit == kPauseQuit || r.quitChosen) return "quit";
  if (returned || playstate.loopexit != 0) return "game-end";
  if (endoflevel == 1) return "level-complete";
  if (endoflevel == 2) return "game-over";
  return "playing";
}

Report Snapshot(const RunState& r, bool returned) {
  Report rep;
  rep.frames = r.frames;
  rep.state = StateName(r, returned);
  rep.level = Uselevel ? Uselevel->Title : "";
  rep.levelsCompleted = r.levelsCompleted;
  if (pla) {
    // The frame end copies the player's score into the game's after the
    // pump; a run stopped inside the pump reads it at its source.
    rep.score = pla->score;
    rep.health = pla->health;
    rep.roomX = pla->roomx;
    rep.roomY = pla->roomy;
    rep.playerX = pla->x;
    rep.playerY = pla->y;
    rep.playerLayer = pla->layer;
    rep.ammo = static_cast<int32_t>(std::count_if(pla->ammo.begin(), pla->ammo.end(), [](int32_t a) { return a != 0; }));
    rep.keys = static_cast<int32_t>(std::count_if(pla->inv.begin(), pla->inv.end(), [](int32_t k) { return k != 0; }));
  }
  for (const auto& thing : objects) {
    if (thing != pla) ++rep.objects;
  }
  return rep;
}

// Every call of the frame pump ends here, after the pump's wait: the frame
// is counted, traced and, unless the script is over, given its successor's
// input.
void OnPump() {
  RunState& r = *g_run;
  r.pollsAtFrame = testbackend::InputPolls();
  r.stalls = 0;
  const bool mapDone = mapstate.mapDone == 1;
  if (!r.playing) {
    // The first map screen is left with the start control as soon as it is
    // fully shown; its frames are not counted. The frame that completes the
    // fade-out hands over to the script.
    if (!mapDone) {
      SetKey(r.startKey, mapstate.fadeTick == 0);
      return;
    }
    r.playing = true;
    if (r.script->lastFrame == 0) throw StopRun{};
    InputFor(1);
    return;
  }
  ++r.frames;
  if (r.afterFrame) r.afterFrame(r.frames);
  // The game takes a quit from the pause menu once this pump returns.
  r.quitChosen = r.pauseAnswer == kPauseQuit;
  r.pauseAnswer = 0;
  if (endoflevel == 1 && r.lastEndOfLevel != 1) ++r.levelsCompleted;
  r.lastEndOfLevel = endoflevel;
  if (r.tracing) *r.trace << FormatTraceLine(Snapshot(r, false)) << '\n';
  if (r.frames >= r.script->lastFrame) throw StopRun{};
  r.quitChosen = false;
  InputFor(r.frames + 1);
}

// A wait inside a frame for keys or buttons to come up (the pause menu waits
// for Esc to be let go, the name entry for Enter, Esc and the left button)
// would never end while the script holds them: it ends as if the player had
// let go of everything. What was let go this way stays up until the script
// lets go of it and holds it again.
void OnPoll(int64_t polls) {
  RunState& r = *g_run;
  if (polls - r.pollsAtFrame < kStallPolls) return;
  r.pollsAtFrame = polls;
  if (++r.stalls > kMostStalls) throw std::runtime_error("the game waits inside a frame for input the script cannot give");
  const std::set<int32_t> down = r.keysDown;
  for (int32_t k : down) {
    SetKey(k, false);
    r.keysLetGo.insert(k);
  }
  const std::set<int32_t> pressed = r.buttonsDown;
  for (int32_t b : pressed) {
    SetButton(b, false);
    r.buttonsLetGo.insert(b);
  }
}

void InstallHooks() {
  PumpServices().musicStep = [] {
    QRDM_Play();
    OnPump();
  };
  PumpServices().pauseMe = [] {
    const int32_t answer = PauseMe();
    g_run->pauseAnswer = answer;
    return answer;
  };
  PumpServices().finish = [] {
    g_run->farewell = true;
    throw StopRun{};
  };
  g_run->pollsAtFrame = testbackend::InputPolls();
  testbackend::SetInputPollHook(OnPoll);
}

void RemoveHooks() {
  testbackend::SetInputPollHook(nullptr);
  ResetPumpServices();
}

// Starts the game in `root` as the program does, up to the title screen.
void StartGame(const fs::path& root, const Options& options) {
  testbackend::Reset();
  // The display the player would have asked for in the settings.
  std::ofstream ini(root / "Files" / "Setup.ini", std::ios::binary);
  ini << "Width=" << options.width << "\r\nHeight=" << options.height << "\r\n";
  ini.close();
  RunStartup(root.string());
  StartUpSequence();
  if (JScrw != options.width || JScrh != options.height)
    throw std::runtime_error("the game did not open the " + std::to_string(options.width) + "x" +
                             std::to_string(options.height) + " screen");
}

// Points the title screen's choice at the entry of `levels` the run starts
// on: the level file, or the first of the folder's files in title order.
void ChooseLevel(const std::vector<LevelFile>& files) {
  std::set<std::string> names;
  for (const LevelFile& f : files) names.insert(f.path.filename().string());
  int32_t index = 0;
  int32_t chosen = -1;
  for (const auto& rec : levels) {
    if (chosen < 0 && names.count(rec->name) != 0) chosen = index;
    ++index;
  }
  if (chosen < 0) throw std::runtime_error("the game did not find the level among its levels");
  GameMode = chosen;
  Neighbours();
}

}  // namespace

// ---- arguments -------------------------------------------------------------------------

namespace {

const char kUsage[] = "usage: replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]";

const char kHelp[] =
    "Plays LEVEL (a level file, or a folder of level files played as a pack) headless\n"
    "from its first frame of play, following the inputs of SCRIPT, and prints the\n"
    "game's state at the end.\n"
    "  --width W --height H  the virtual screen: 1280x960 (default), 1600x900 or 1440x900\n"
    "  --trace               one line per frame before the report\n"
    "  --keep DIR            afterwards copies the run's Files/ and DuskmoorII_Levels/ into DIR\n"
    "  -h, --help            this text\n"
    "Exit status: 0 done, 1 the run failed, 2 bad input, 128+N ended by signal N\n"
    "(SIGHUP, SIGINT or SIGTERM).\n";

}  // namespace

Options ParseArguments(const std::vector<std::string>& args) {
  Options o;
  std::vector<std::string> plain;
  bool widthSet = false, heightSet = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw InputError(a + " needs a value");
      return args[++i];
    };
    auto size = [&](int32_t& out) {
      const std::string& v = value();
      const int64_t n = SmallNumber(v);
      if (n <= 0) throw InputError(a + " takes a whole number of pixels: " + v);
      out = static_cast<int32_t>(n);
    };
    if (a == "--help" || a == "-h") {
      // Whatever else the line holds.
      o.help = true;
      return o;
    }
    if (a == "--width") {
      size(o.width);
      widthSet = true;
    } else if (a == "--height") {
      size(o.height);
      heightSet = true;
    } else if (a == "--trace") {
      o.trace = true;
    } else if (a == "--keep") {
      o.keep = value();
    } else if (a.size() > 1 && a[0] == '-') {
      throw InputError("unknown option: " + a);
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() != 2) throw InputError(kUsage);
  if (widthSet != heightSet) throw InputError("--width and --height go together");
  // The game's three virtual screens: 4:3, 16:9 and 16:10.
  const bool known = (o.width == 1280 && o.height == 960) || (o.width == 1600 && o.height == 900) ||
                     (o.width == 1440 && o.height == 900);
  if (!known)
    throw InputError("the virtual screen is 1280x960, 1600x900 or 1440x900, not " + std::to_string(o.width) + "x" +
                     std::to_string(o.height));
  o.level = plain[0];
  o.script = plain[1];
  return o;
}

// ---- report ---------------------------------------------------------------------------

namespace {

std::vector<std::pair<std::string, std::string>> Fields(const Report& r) {
  auto pair = [](int32_t a, int32_t b) { return std::to_string(a) + "," + std::to_string(b); };
  return {
      {"frames", std::to_string(r.frames)},
      {"state", r.state},
      {"level", r.level},
      {"levels_completed", std::to_string(r.levelsCompleted)},
      {"score", std::to_string(r.score)},
      {"health", std::to_string(r.health)},
      {"room", pair(r.roomX, r.roomY)},
      {"player", pair(r.playerX, r.playerY) + "," + std::to_string(r.playerLayer)},
      {"ammo", std::to_string(r.ammo)},
      {"keys", std::to_string(r.keys)},
      {"objects", std::to_string(r.objects)},
  };
}

}  // namespace

std::string FormatReport(const Report& r) {
  std::string out;
  for (const auto& [name, value] : Fields(r)) out += name + "=" + value + "\n";
  return out;
}

std::string FormatTraceLine(const Report& r) {
  std::string out;
  for (const auto& [name, value] : Fields(r)) {
    if (!out.empty()) out += '\t';
    out += name + "=" + value;
  }
  return out;
}

// ---- the run ---------------------------------------------------------------------------

std::string GameDir() {
  auto hasFiles = [](const fs::path& dir) {
    std::error_code ec;
    return !dir.empty() && fs::is_directory(dir / "Files", ec);
  };
  if (const char* env = std::getenv("DUSKMOOR_GAME_DIR"); env != nullptr && *env != '\0') return env;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  // build/tools/replay/replay beside build/game.
  if (!ec) {
    const fs::path beside = exe.parent_path().parent_path().parent_path() / "game";
    if (hasFiles(beside)) return beside.string();
  }
  return DUSKMOOR_DEFAULT_GAME_DIR;
}

Report Run(const Options& options, const Script& script, std::ostream& trace,
           const std::function<void(int32_t)>& afterFrame) {
  const std::vector<LevelFile> files = LevelFiles(options.level);
  const fs::path gameDir = GameDir();
  std::error_code ec;
  if (gameDir.empty() || !fs::is_directory(gameDir / "Files", ec))
    throw std::runtime_error("no game data (Files/) in '" + gameDir.string() +
                             "'; build the game or set DUSKMOOR_GAME_DIR");

  const fs::path here = fs::current_path();
  const fs::path root = MakeCopyFolder();
  // Whatever happens, the temporary copy goes and the current folder (which
  // the start-up changes) comes back. The removal needs no memory, which may
  // be what ran out. A signal meanwhile ends the removal.
  struct Cleanup {
    fs::path here;
    ~Cleanup() {
      CloseDebugLog();
      std::error_code e;
      fs::current_path(here, e);
      toolcommon::RemoveLeftover();
    }
  } cleanup{here};

  CopyGameData(gameDir / "Files", root / "Files");
  const fs::path levelsDir = root / (GameName1 + GameName2 + "_Levels");
  fs::create_directories(levelsDir);
  // The bytes read by the rule for levels, not whatever holds the name now.
  for (const LevelFile& f : files) {
    std::ofstream copy(levelsDir / f.path.filename(), std::ios::binary | std::ios::trunc);
    copy << f.bytes;
    copy.close();
    if (!copy) throw std::runtime_error("cannot copy the level into " + levelsDir.string());
  }

  StartGame(root, options);
  ChooseLevel(files);

  // Full frame rate, every frame drawn, and the same clock and random
  // sequence at the first map screen on every machine. On the test backend
  // the engine speed test already finds a fast machine; this only makes sure.
  ::Options[7] = 0;
  UseFPS = 60;
  SkipDraw = 0;
  testbackend::SetClock(kClockStart);
  LastFrame = kClockStart;
  SeedRnd(kSeedStart);

  RunState run;
  run.script = &script;
  run.input.emplace(script);
  run.trace = &trace;
  run.tracing = options.trace;
  run.afterFrame = afterFrame;
  run.startKey = KeyV[kFireSlot];
  for (const Hold& h : script.holds) {
    for (const Control& c : h.controls) {
      const int32_t key = c.kind == ControlKind::Action ? KeyOf(c) : 1;
      if (key < 1 || key > kLastKeyCode)
        throw std::runtime_error("player 1's controls are not all on the keyboard");
    }
  }
  g_run = &run;
  InstallHooks();
  bool returned = false;
  // What the title screen does when the start control is pressed.
  InGame = 1;
  MoveVirtualMouse(static_cast<float>(JScrw), static_cast<float>(JScrh));
  try {
    PlayGame();
    returned = true;
  } catch (const StopRun&) {
  } catch (...) {
    RemoveHooks();
    g_run = nullptr;
    throw;
  }
  RemoveHooks();
  const Report report = Snapshot(run, returned);
  g_run = nullptr;
  InGame = 0;

  if (!options.keep.empty()) {
    CloseDebugLog();
    KeepRunFiles(root, levelsDir, options.keep);
  }
  return report;
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         const std::function<void(int32_t)>& afterFrame) {
  const toolcommon::LeftoverGuard leftoverGuard;
  MeetFileSizeLimitAsFullDisk();
  // What the command prints is its answer: one that cannot be written fails.
  auto printed = [&] {
    out.flush();
    if (out) return 0;
    err << "replay: cannot write the report\n";
    return 1;
  };
  try {
    Options options = ParseArguments(args);
    if (options.help) {
      out << kUsage << '\n' << kHelp;
      return printed();
    }
    // The start-up changes the current folder; the level is copied before it.
    if (!options.keep.empty()) options.keep = Absolute(options.keep);
    LevelFiles(options.level);
    std::string text;
    switch (ReadRegular(options.script, text)) {
      case Read::Done:
        break;
      case Read::Missing:
        throw InputError("script not found: " + options.script);
      case Read::NotAFile:
        throw InputError("the script is not a file: " + options.script);
      case Read::Folder:
      case Read::TooLarge:
      case Read::Failed:
        throw InputError("cannot read the script: " + options.script);
    }
    const Script script = ParseScript(text, options.script);
    const Report report = Run(options, script, out, afterFrame);
    out << FormatReport(report);
    return printed();
  } catch (const InputError& e) {
    err << "replay: " << e.what() << '\n';
    return 2;
  } catch (const testbackend::AppExited& e) {
    err << "replay: the game ended the program (status " << e.status << ")\n";
    return 1;
  } catch (const std::bad_alloc&) {
    // Said without asking for memory.
    err << "replay: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    err << "replay: " << e.what() << '\n';
    return 1;
  } catch (...) {
    err << "replay: the run failed for an unknown reason\n";
    return 1;
  }
}

}  // namespace replay
