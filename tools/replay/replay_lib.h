// The replay tool: plays a level headless on the test backend from a script
// of inputs and reports the game's state at the end. The command-line front
// end (main.cpp) and the tests share everything here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace replay {

// Bad input from the user: the command line, the level or the script. The
// message is one line, without the program name.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What a script line can hold down.
enum class ControlKind {
  Action,  // a player-1 control, looked up in the bindings when the run starts
  Key,     // a game key code
  Mouse,   // mouse button 1 (left) or 2 (right)
};

struct Control {
  ControlKind kind = ControlKind::Key;
  int32_t code = 0;  // action slot, key code or mouse button
  bool operator==(const Control&) const = default;
};

// Controls held from frame `from` to frame `to`, both included.
struct Hold {
  int32_t from = 0;
  int32_t to = 0;
  std::vector<Control> controls;
};

struct MouseMove {
  int32_t frame = 0;
  float x = 0.0f;
  float y = 0.0f;
};

struct Typing {
  int32_t frame = 0;
  std::string text;
};

struct Script {
  std::vector<Hold> holds;
  std::vector<MouseMove> moves;
  std::vector<Typing> typing;
  // The frame after which the run stops: `end F`, or else the last frame any
  // instruction names; 0 stops as soon as play would begin.
  int32_t lastFrame = 0;
};

// Reads a script. Throws InputError naming `name` and the line for a line
// that is not an instruction, an unknown control or a range that runs
// backwards; any other text, whatever bytes it holds, gives a script.
Script ParseScript(const std::string& text, const std::string& name);

// A whole number of at most nine digits; -1 for anything else.
int64_t SmallNumber(const std::string& s);
// The highest game key code a script can hold.
constexpr int32_t kLastKeyCode = 255;

// What the script gives one frame.
struct FrameInput {
  std::vector<Control> held;         // each control once
  std::vector<MouseMove> moves;      // in script order
  std::vector<std::string> typed;    // in script order
};

// The input a script gives, frame after frame. Asked for frames in rising
// order, as a run asks, it looks at each instruction a bounded number of
// times over the whole run, so a long recorded session takes time in
// proportion to its length.
class ScriptInput {
 public:
  explicit ScriptInput(const Script& script);
  // The input of `frame`, which comes after every frame asked for before.
  FrameInput For(int32_t frame);
  // How often an instruction has been looked at so far.
  int64_t Looks() const { return looks_; }

 private:
  const Script& script_;
  int64_t looks_ = 0;
  // The instructions by their first frame, in script order within a frame.
  std::vector<size_t> holdsByStart_, movesByFrame_, typingByFrame_;
  size_t nextHold_ = 0, nextMove_ = 0, nextTyping_ = 0;
  // The holds under way, the one that ends first on top.
  std::vector<std::pair<int32_t, size_t>> holdsUnderWay_;
  // How many holds under way hold each control.
  std::map<std::pair<int, int32_t>, int32_t> heldBy_;
};

struct Options {
  std::string level;   // a level file, or a folder of level files
  std::string script;
  int32_t width = 1280;  // the virtual screen
  int32_t height = 960;
  bool trace = false;
  std::string keep;    // folder that receives the run's files; empty: none
  bool help = false;   // -h or --help: print the usage, nothing else
};

// Reads the arguments after the program name. Throws InputError.
Options ParseArguments(const std::vector<std::string>& args);

// The game's state as the tool reports it.
struct Report {
  int32_t frames = 0;
  std::string state;  // playing, level-complete, game-over, quit, game-end
  std::string level;
  int32_t levelsCompleted = 0;
  int32_t score = 0;
  int32_t health = 0;
  int32_t roomX = 0, roomY = 0;
  int32_t playerX = 0, playerY = 0, playerLayer = 0;
  int32_t ammo = 0;
  int32_t keys = 0;
  int32_t objects = 0;
};

// The report as `name=value` lines, one per line, in the documented order.
std::string FormatReport(const Report& r);
// The same fields on one line, separated by tabs (the per-frame trace).
std::string FormatTraceLine(const Report& r);

// Plays the level: copies the game's data and the level into a temporary
// folder, starts the game there on the test backend, leaves the first map
// screen with the start control and follows the script. Trace lines go to
// `trace` when asked for. Throws InputError for a level or data problem found
// on the way; a game that could not be started at all throws
// std::runtime_error. `afterFrame`, when given, runs in the frame pump of
// every counted frame before the frame is looked at (tests stand in with it
// for what the game does not do yet).
Report Run(const Options& options, const Script& script, std::ostream& trace,
           const std::function<void(int32_t frame)>& afterFrame = nullptr);

// The whole command: arguments in, report on `out`, errors on `err`.
// Returns the exit status: 0 done, 2 bad input, 1 the run failed (the report
// not written and memory run out included). The run's temporary copy goes on
// every way out: a return, an exception, std::exit, std::terminate, and
// SIGHUP, SIGINT and SIGTERM (unless ignored from the start), which end the
// process with 128 + the signal's number. `afterFrame` is handed to Run.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         const std::function<void(int32_t frame)>& afterFrame = nullptr);

// The folder holding the game's Files/ that runs copy: DUSKMOOR_GAME_DIR from
// the environment, else build/game beside the executable, else the folder
// the build was configured with.
std::string GameDir();

}  // namespace replay
