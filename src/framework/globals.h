// State of the presentation framework that other screens read by name: the
// frame-skip phase, frame timing, the pointer sample, the pump's flags, the
// music channel and the shared scratch values of the drawing and input helpers.
#pragma once

#include <cstdint>

// ---- frame skip and drawing ------------------------------------------------------
// Frame-skip phase, flipped at the end of every pump call. With frame skip on
// (Options[7] = 1) a frame that runs with SkipDraw 1 draws no budgeted image
// and is not flipped.
extern int32_t SkipDraw;
// The last code given to Blend.
extern int32_t PreBlend;
// Scratch of the budgeted draws: scale, alpha and layer blend mode.
extern float fwf, fhf, faf, fgf;

// ---- frame timing -----------------------------------------------------------------
extern int32_t Frametook;
extern int32_t frameavg;
extern int32_t FramesPerSec;
// Frame rate in force, set by the engine speed test; screens pass it to fps.
extern int32_t UseFPS;

// ---- frame pump state ---------------------------------------------------------------
// 1 while the debug overlay shows (F12).
extern int32_t DebugMode;
// Bytes reclaimed by the latest memory collection.
extern int32_t fc;
// 0 outside play, 1 in play (Esc opens the pause menu), 2 while it runs.
extern int32_t InGame;
// Pointer position of this frame and of the frame before, in virtual pixels.
extern int32_t mx, my, wx, wy;

// ---- sound --------------------------------------------------------------------------
// Channel of the music playing, 0 for none.
extern int32_t MusicChannel;

// ---- shared scratch counters -----------------------------------------------------------
// GetKey: key code then button number, stick number, stick base code.
extern int32_t fr, fh, fg;
// KeyName: part of the last code named as a joystick input.
extern int32_t fp;
// Loop counter shared by several screens; CLS3d leaves it at 11.
extern int32_t fn;
