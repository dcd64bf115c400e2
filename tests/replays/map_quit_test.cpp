// The map_quit replay moved to every frame around the opening of the second
// level's map screen: wherever the pause menu's Quit falls, before the screen,
// in its first frame, during its fade-in or once it is shown, the game ends
// and its record says so. A screen that never ended would run the replay to
// the script's end, still at the level-complete state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "replay_lib.h"
#include "startup/globals.h"

namespace {

namespace fs = std::filesystem;

struct Case {
  int32_t shift;      // frames after the replay's own Esc, which meets the screen's first frame
  std::string level;  // the level being played when the menu opened
  int32_t mapFrame;   // the frame of the second map screen it opened in; 0 for the count-up
};

void PrintTo(const Case& c, std::ostream* os) { *os << "shift " << c.shift; }

class MapQuitReplay : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { testutil::FreshGlobals(); }
};

TEST_P(MapQuitReplay, AQuitAroundTheOpeningOfTheSecondMapScreenEndsTheGame) {
  const Case& c = GetParam();
  const char* source = std::getenv("DUSKMOOR_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const fs::path here = fs::path(source) / "tests" / "replays";
  const fs::path kept =
      fs::temp_directory_path() / ("duskmoor-map-quit-" + std::to_string(::getpid()) + "-" + std::to_string(c.shift));
  fs::remove_all(kept);

  replay::Script script = replay::ParseScript(testutil::ReadBytes((here / "map_quit.script").string()), "map_quit");
  for (auto& hold : script.holds) {
    hold.from += c.shift;
    hold.to += c.shift;
  }
  script.lastFrame += c.shift;
  replay::Options options;
  options.level = (here / "map_quit").string();
  options.keep = kept.string();

  std::string menuLevel;
  int32_t menuMapFrame = -1;
  std::ostringstream trace;
  const replay::Report r = replay::Run(options, script, trace, [&](int32_t) {
    if (InGame != 2 || menuMapFrame >= 0) return;
    menuLevel = Uselevel->Title;
    menuMapFrame = mapstate.mapDone == 0 ? mapstate.glowTick + 1000 : 0;
  });
  EXPECT_EQ(menuLevel, c.level);
  EXPECT_EQ(menuMapFrame, c.mapFrame);
  // The game went back to the title screen after the name entry.
  EXPECT_EQ(r.state, "quit");
  EXPECT_LT(r.frames, script.lastFrame);
  EXPECT_EQ(r.level, c.level);
  EXPECT_EQ(r.levelsCompleted, 1);
  const auto lines = testutil::CrlfLines(testutil::ReadBytes((kept / "Files" / "256" / "scores.dat").string()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("1000|", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "|1") << lines[0];
  fs::remove_all(kept);
}

INSTANTIATE_TEST_SUITE_P(AroundTheOpening, MapQuitReplay,
                         ::testing::Values(Case{-2, "01 - Crossing", 0}, Case{-1, "01 - Crossing", 0},
                                           Case{0, "02 - Beyond", 1}, Case{1, "02 - Beyond", 2},
                                           Case{2, "02 - Beyond", 3}, Case{30, "02 - Beyond", 31},
                                           Case{59, "02 - Beyond", 60}, Case{60, "02 - Beyond", 61},
                                           Case{100, "02 - Beyond", 101}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           const Case& c = info.param;
                           return c.mapFrame == 0 ? "BeforeTheScreenBy" + std::to_string(-c.shift)
                                                  : "InMapFrame" + std::to_string(c.mapFrame);
                         });

}  // namespace
