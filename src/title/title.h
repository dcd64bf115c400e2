// The title screen: backdrop, credits box, settings hint, score panel, start
// prompt, level pack chooser and logos; Esc leaves through the farewell screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "level/records.h"

// The packs shown above and below the chosen one (Uselevel).
extern std::shared_ptr<game> Postlevel;
extern std::shared_ptr<game> Prelevel;
// The title music and the two game logos (centre-handled).
extern int32_t tune;
extern int32_t gamelogo;
extern int32_t gamelogob;

// The title loop's own state; all 0 at program start.
struct TitleLoopState {
  int32_t TitleSlide = 0;  // 0..32: slide-in progress
  int32_t StartHeld = 0;   // a start control was held in the last scan
  int32_t InputLatch = 0;  // every start control must be released first
  int32_t EscLatch = 0;    // Esc must be released first
  int32_t LogoFade = 0;    // 0..60: 60 shows gamelogo, 0 gamelogob
  int32_t QuitTitle = 0;   // 1 ends the loop
};
extern TitleLoopState TitleLoop;

// The one-line notice at the top of the title screen.
extern const std::string kTitleNotice;

// Busy-waits until the clock reaches `deadline` (the loading hold).
void TitleHold(int32_t deadline);
// Before the first frame: slide reset, title music, neighbours of GameMode.
void TitleSetUp();
// Sets Uselevel, Prelevel and Postlevel from GameMode; nothing with no packs.
void Neighbours();
// One title frame, ending with the frame pump and the Esc test.
void TitleFrame();
// Hold, set-up, frames until Esc, then the farewell screen.
[[noreturn]] void TitleScreen(int32_t deadline);
