#include "settings/farewell.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "framework/controls.h"
#include "framework/draw.h"
#include "game/autosave.h"
#include "game/end_of_play.h"
#include "platform/app.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "scores/history.h"
#include "scores/score_panel.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

namespace {

constexpr int kF4 = 115, kLAlt = 164, kRAlt = 165;
constexpr uint32_t kRepresentMs = 250;

struct Line {
  int x;
  int y;
  const char* text;
};

// The block beside the logo: a heading, then seven lines.
constexpr Line kPlea[] = {
    {270, 44, "I do not ask for money."},
    {270, 64, "I create these games for fun."},
    {270, 84, "All I ask is that players send some feedback."},
    {270, 104, "A comment, an email, a vote."},
    {270, 134, "Do the right thing."},
    {270, 164, "Support Homebrew games by"},
    {270, 184, "saying thanks to their developers."},
};

[[noreturn]] void EndProcess(int status) {
  CloseDebugLog();
  // The shell shuts the display and the audio output down before it ends.
  AppExit(status);
}

// The saving steps of the way out, in their order, each handed to `run`.
// Before the first display start the history was never read and the
// settings may hold a fallback size: writing either would only lose the
// player's files.
template <typename Run>
void SavingSteps(Run run) {
  // A window closed in the middle of editing the player's own level keeps
  // the edits the autosave had not written yet.
  run([] { SaveUnsavedEdits(); });
  if (HistoryLoaded) {
    run([] { SaveIni(); });
    run([] { RecordGameAwaitingName(); });
    run([] { SaveScores(); });
  }
}

void ClosingLines() {
  Debug("Closing Up");
  Debug("");
  Debug("Bye!");
  Debug("");
  Debug("Play again, soon!!");
}

// Memory held from the start of the run, so that the way out of a run that
// has used up the rest still finds room to build the files it saves.
constexpr size_t kHeldBytes = 4 << 20;
std::unique_ptr<char[]> held;

// The line that says why the run ended, made while there is memory for it.
std::string& OutOfMemoryLine() {
  static std::string line;
  return line;
}

void MakeOutOfMemoryLine() {
  if (OutOfMemoryLine().empty()) OutOfMemoryLine() = GameName1 + " " + GameName2 + " ran out of memory";
}

}  // namespace

bool SavedForExit = false;

void SaveOnExit() {
  ShowMouse();
  SaveWithoutDisplay();
}

void SaveWithoutDisplay() {
  SavingSteps([](auto step) { step(); });
  ClosingLines();
  SavedForExit = true;
}

int LeaveWithoutDisplay(const std::string& cause) {
  // Called from inside the window system's library, which no exception
  // may cross.
  try {
    if (!SavedForExit) {
      Debug("Display Lost");
      Debug("\t" + cause);
      Debug("");
      SaveWithoutDisplay();
    }
    CloseDebugLog();
    // Nothing on the screen tells the player why the window went.
    TellTerminal(GameName1 + " " + GameName2 + " lost its display: " + cause);
    return 1;
  } catch (const std::bad_alloc&) {
    return LeaveOutOfMemory();
  }
}

void HoldMemoryForTheWayOut() {
  MakeOutOfMemoryLine();
  if (!held) held.reset(new char[kHeldBytes]);
}

int LeaveOutOfMemory() {
  held.reset();
  try {
    MakeOutOfMemoryLine();
  } catch (const std::bad_alloc&) {
  }
  // Neither line needs memory of its own: the log's stream is open and
  // standard error has no buffer.
  if (!OutOfMemoryLine().empty()) Debug(OutOfMemoryLine());
  for (const char* part : {GameName1.c_str(), " ", GameName2.c_str(), " ran out of memory\n"}) std::fputs(part, stderr);
  std::fflush(stderr);
  if (!SavedForExit) {
    // A step that runs out of memory itself has written nothing yet (every
    // file is made whole before it takes the old one's place): its file
    // stays as it was, and the steps after it still run.
    auto if_memory_allows = [](auto step) {
      try {
        step();
      } catch (const std::bad_alloc&) {
      }
    };
    SavingSteps(if_memory_allows);
    if_memory_allows(ClosingLines);
    SavedForExit = true;
  }
  CloseDebugLog();
  return 1;
}

void EndAtOnce(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

void ShowThanksScreen() {
  EndGraphics();
  Graphics(640, 480, 0, 60, 0);
  AutoMidHandle(false);
  // Not logged: the log has had its last line, and every display start has
  // already named these two files if they failed to load.
  logo = LoadImage(Paths.common + "logo.png", MASKEDIMAGE | FILTEREDIMAGE);
  QuendryLogo = LoadImage(Paths.common + "Quendry.png", MASKEDIMAGE | FILTEREDIMAGE);
  SetImageHandle(logo, 0, 0);
  SetImageHandle(QuendryLogo, 0, 0);
  DrawThanksScreen();
  Flip(-1);
}

void DrawThanksScreen() {
  Cls();
  SetCol(0, 0, 80, 1);
  DrawRect(0, 0, 640, 480);
  Blend(kBlendAlpha);
  SetCol(255, 255, 255, 1);
  SetSize(0.5f);
  DrawImage(logo, 0, 0, 0);
  DrawImage(QuendryLogo, 384, 224, 0);
  SetSize(1.0f);

  SetCol(0, 0, 0, 0.8f);
  SetImageFont(Font[6]);
  Text(2, 222, "Thanks for Playing", 0, 0);
  SetImageFont(Font[7]);
  Text(52, 276, "Send Feedback!", 0, 0);
  SetCol(255, 255, 255, 1);
  SetImageFont(Font[6]);
  Text(0, 220, "Thanks for Playing", 0, 0);
  SetImageFont(Font[7]);
  Text(50, 274, "Send Feedback!", 0, 0);
  SetCol(180, 255, 255, 1);
  SetImageFont(Font[8]);
  Text(320, 4, "This Game is Free", 0, 0);
  SetImageFont(Font[9]);
  for (const Line& l : kPlea) Text(l.x, l.y, l.text, 0, 0);
}

bool FarewellDone() {
  // No frame pump runs here to fetch the window system's events.
  PollInput();
  if (GetKey() > 0) return true;
  if (MouseDown(1) || MouseDown(2)) return true;
  if (KeyDown(kF4) && (KeyDown(kLAlt) || KeyDown(kRAlt))) return true;
  return AppTerminate() != 0;
}

void Finish() {
  SaveOnExit();
  // The system asked the process to end (a signal): nobody waits at the
  // screen for a thanks window, so the run ends with everything saved.
  if (AppSystemQuit() != 0) {
    EndGraphics();
    EndProcess(0);
  }
  ShowThanksScreen();
  int32_t shown = MilliSecs();
  while (!FarewellDone()) {
    Delay(1);
    // A window that shrinks from a large one can settle at its new size
    // only after the first picture, which the window system then drops:
    // the picture is shown again a few times a second while the wait lasts.
    const int32_t now = MilliSecs();
    if (static_cast<uint32_t>(now) - static_cast<uint32_t>(shown) >= kRepresentMs) {
      DrawThanksScreen();
      Flip(-1);
      shown = now;
    }
  }
  EndGraphics();
  EndProcess(0);
}

void FinishWithoutDisplay() {
  SaveOnExit();
  EndProcess(0);
}

void FailWithoutDisplay(const std::string& cause) {
  SaveOnExit();
  // Whoever started the game (over a remote shell, without a desktop) hears
  // why nothing came up.
  TellTerminal(GameName1 + " " + GameName2 + " could not open a display" +
               (cause.empty() ? std::string(".") : ": " + cause));
  EndProcess(1);
}
