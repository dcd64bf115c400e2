// The state the title screen starts from in a 1280x960 game: the settings
// tables, the default controls and the credits, without music, on a test
// display of that size.
#pragma once

#include "platform/graphics.h"
#include "settings/options.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace titletest {

inline void TitleAt1280() {
  CreateSettingsTables();
  SetDefaultControls();
  BuildCredits();
  MyScrw = 1280;
  MyScrh = 960;
  JScrw = 1280;
  JScrh = 960;
  Options[13] = 0;  // no music
  Graphics(1280, 960, 0, 60, 0);
  SetVirtualResolution(1280, 960);
}

}  // namespace titletest
