// Test backend's display and drawing double: every draw is recorded with the
// full drawing state, the display and its mode list are scripted, and images
// hold their pixels for real (loaded from PNG or made from pixel arrays).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testgraphics {

enum class Op { Cls, Image, Rect, Line, Text, GrabImage, GrabPixmap };

struct DrawRecord {
  Op op = Op::Cls;
  int image = 0;
  int frame = 0;
  float x = 0, y = 0;
  // Rect: width and height. Line: the end point. Image: the frame's size.
  float w = 0, h = 0;
  float scale_x = 1, scale_y = 1;
  float rotation = 0;
  int r = 255, g = 255, b = 255;
  float alpha = 1;
  int blend = 0;
  int font = 0;
  std::string text;
  int flip = 0;  // number of flips before this draw
};

// Everything drawn since the last clear (or reset). Long runs keep only their
// most recent draws (at least kKeptDraws / 2 of them), so memory stays bounded.
constexpr size_t kKeptDraws = 400000;
const std::vector<DrawRecord>& Draws();
void ClearDraws();
// Only the records of one operation.
std::vector<DrawRecord> DrawsOf(Op op);

// Long runs that look at only some draws keep just those operations and
// count the others; an empty list (the default after a reset) keeps all.
void KeepOnly(std::vector<Op> ops);
// Draws of one operation since the last reset, kept or not.
int64_t DrawCount(Op op);

// A machine that needs `microseconds` of render time per draw: each
// SubmitDraws moves the virtual clock on by the draws made since the last
// one (0, the default after a reset, costs nothing). Without it the engine
// speed test finds an endlessly fast machine and draws its largest tests.
void SetDrawCost(int microseconds);

struct Mode {
  int width = 0, height = 0, depth = 0, hertz = 0;
};
// The main display's mode list (reset gives a small desktop list).
void SetModes(std::vector<Mode> modes);
// A display request (width, height, depth) that this returns false for fails to open.
void SetDisplayRefusal(std::function<bool(int w, int h, int depth)> refuse);

// The display as it is now.
bool DisplayOpen();
int DisplayWidth();
int DisplayHeight();
int DisplayDepth();
int DisplayHertz();
int DisplayFlags();
// The caption the open display's window was given (the application title).
std::string DisplayTitle();
int GraphicsCalls();     // successful and failed Graphics calls so far
int EndGraphicsCalls();
int FlipCount();
// SubmitDraws calls so far, and for the latest one the virtual clock and the
// number of draws recorded (since the last clear) when it was made.
int SubmitCount();
int32_t LastSubmitClock();
size_t LastSubmitDraws();
int LastFlipSync();
int SelectedDriver();
int DriverDefaultFlags();

// What GrabPixmap and GrabImage read: by default the last clear colour, opaque.
// A test may place a picture (0xAARRGGBB, rows top first) instead.
void SetScreenPixels(int width, int height, std::vector<uint32_t> argb);

// An image made from pixels, cut into cells like LoadAnimImage (cell size 0 = whole).
int MakeImage(int width, int height, const std::vector<uint32_t>& argb, int cell_w = 0,
              int cell_h = 0, int first = 0, int count = 1, int flags = 0,
              bool has_alpha = true);

// Live objects, so tests can see that replaced objects are released.
int LiveImages();
int LiveFonts();
int LivePixmaps();

}  // namespace testgraphics
