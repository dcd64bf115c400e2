// The start of the settings and display: the log banner, the audio driver,
// "Setup.ini", the display with every asset, and the hand-over to the title
// screen.
#pragma once

#include <array>
#include <cstdint>

// Badge places of the score panel.
extern int32_t GameBadges;
// Per-game values 1 to 30 that each finished game copies into its record.
extern std::array<int32_t, 31> MyBest;

// Runs from the banner to "Finished Loading" and returns the hold deadline:
// the clock just before the display opened, plus 2.5 seconds.
int32_t StartUpSequence();
// The rest of the main routine after the global start-up: the sequence, the
// title screen and, through it, the farewell screen. Never returns.
[[noreturn]] void RunSettingsAndTitle();
