// The real backend's window event pump, shared by input polling and the display.
#pragma once

// Drains the window system's event queue into the input state: PollInput
// (once a frame, and in every pass of a wait for input), FlushKeys and
// AppSystemQuit.
void PlatformPumpEvents();
// Termination, interrupt and hang-up signals end the process at once, with
// status 0, while it starts up (StartingUp); later they become a close request
// from the system, seen at the next event pump. A hang-up or interrupt that
// the process was started with ignored stays ignored.
void CatchQuitSignals();
