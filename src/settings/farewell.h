// The farewell screen: the program's only way out.
#pragma once

#include <string>

// Saves the settings and the score history, writes the log's closing lines,
// shows the thanks screen in a 640x480 window until a key, a mouse button,
// Alt+F4 or a close request, then closes the log and ends the process with
// status 0. Never returns.
[[noreturn]] void Finish();

// The parts of Finish, in its order.
void SaveOnExit();        // pointer shown, then SaveWithoutDisplay
void ShowThanksScreen();  // the farewell window, drawn once and shown
void DrawThanksScreen();  // its picture, in the window's own pixels
bool FarewellDone();      // one pass of the wait: true when an input ends it
// Without any display to show the thanks screen on: saves, closes the log and
// ends the process with status 0.
[[noreturn]] void FinishWithoutDisplay();
// The start-up opened no display at all: saves as FinishWithoutDisplay does
// (nothing, before the history was read), writes one line naming `cause` (the
// window system's own words) on standard error and ends the process with
// status 1.
[[noreturn]] void FailWithoutDisplay(const std::string& cause);
// What the way out saves and writes, without a word to the display (for a run
// whose display is gone): unsaved edits of the player's level, "Setup.ini", a
// finished game still waiting for its name, "scores.dat", the closing lines.
void SaveWithoutDisplay();
// The saving steps of the way out have run: a display lost after them finds
// nothing left to save, and the log has had its last lines.
extern bool SavedForExit;
// The display was lost while the game ran (the X server ended, the window was
// killed or destroyed): unless the way out has saved already, names `cause`
// in the log and saves as SaveWithoutDisplay does; then closes the log and
// writes one line naming `cause` on standard error. Returns the status the
// process ends with, 1. Never touches the display, and never throws: memory
// that runs out on the way leaves as LeaveOutOfMemory does.
int LeaveWithoutDisplay(const std::string& cause);

// Sets aside, at the start of the run, the memory LeaveOutOfMemory lets go
// of, and the words it says.
void HoldMemoryForTheWayOut();
// An allocation failed and nothing below the top of the game could do
// without it: lets go of the memory set aside, writes "Duskmoor II ran out
// of memory" in the log and on standard error, and, unless the way out has
// saved already, runs the saving steps of SaveWithoutDisplay, each on its
// own (one that runs out of memory itself leaves its file as it was) and
// the closing lines; then closes the log. Returns the status the process
// ends with, 1. Never touches the display and never throws.
int LeaveOutOfMemory();
// Ends the process with `status` at once, its output flushed, without the
// backend's release: taking the display down needs memory of its own and
// could meet a display left half made by the failure.
[[noreturn]] void EndAtOnce(int status);
