#include "framework/screenshot.h"

#include "framework/draw.h"
#include "framework/pump.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

namespace {

// A name that is not taken yet: a second screenshot within the same second
// gets " 2" before the extension, a third " 3", and so on. A name that
// anything has is passed over, a link or a pipe too, which the picture's
// writer would refuse.
std::string FreeName(const std::string& folder, const std::string& name) {
  const std::string stem = name.substr(0, name.size() - 4);
  std::string candidate = name;
  for (int n = 2; NameTaken(folder + candidate); ++n) candidate = stem + " " + std::to_string(n) + ".png";
  return candidate;
}

}  // namespace

std::string SFW(const std::string& txt) {
  static const char kUnsafe[] = {'#', '\'', ',', '`', '.', '\\', '/', ':', '|', '*', '?', '"'};
  std::string out = txt;
  for (char ch : kUnsafe) out = Replace(out, std::string(1, ch), "");
  return out;
}

std::string ScreenshotName(const std::string& date, const std::string& time) {
  return SFW(GameName1 + " " + GameName2 + " (Screenshot_" + date + "_" + time + ")") + ".png";
}

int32_t SaveScreenshot() {
  Debug("");
  Debug("\tScreenshot");
  Debug("\tGrabbing Screenshot");
  const int32_t grab = GrabPixmap(0, 0, MyScrw, MyScrh);

  // Shown while the file is written; drawn after the grab, so not in it.
  ResetDraw();
  SetImageFont(Font[5]);
  Text(JScrw / 2, JScrh / 2 - 30, "Saving Screenshot", 1, 1);
  SetImageFont(Font[6]);
  Text(JScrw / 2, JScrh / 2 + 30, "Sometimes, this takes a while!", 1, 1);
  Flip(-1);

  std::string date, time;
  CurrentDateTime(date, time);
  const std::string folder = Paths.data;
  const std::string name = FreeName(folder, ScreenshotName(date, time));
  Debug("\tSaving Screenshot : " + name);
  const int32_t saved = SavePixmapPNG(grab, folder + name, 9);
  FreePixmap(grab);
  Debug("\tSaved Screenshot " + std::to_string(saved));
  Debug("");
  AddComment(saved == 1 ? "Saved Screenshot" : "Screenshot failed", 1);
  return 0;
}
