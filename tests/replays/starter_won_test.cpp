// The starter level won through the replay tool: the finished game, named by
// the player, is in scores.dat as soon as the name is confirmed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "replay_lib.h"

namespace {

namespace fs = std::filesystem;

TEST(StarterWon, TheNamedGameIsInTheHistoryAtOnce) {
  testutil::FreshGlobals();
  const char* source = std::getenv("DUSKMOOR_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const fs::path here = fs::path(source) / "tests" / "replays";
  const fs::path kept = fs::temp_directory_path() / ("duskmoor-starter-won-" + std::to_string(::getpid()));
  fs::remove_all(kept);

  replay::Options options;
  options.level = (fs::path(replay::GameDir()) / "DuskmoorII_Levels" / "01 - Into the Moor.xml").string();
  options.keep = kept.string();
  std::ostringstream trace;
  const std::string script = testutil::ReadBytes((here / "starter_won.script").string());
  const replay::Report r = replay::Run(options, replay::ParseScript(script, "starter_won"), trace);
  EXPECT_EQ(r.state, "game-end");
  EXPECT_EQ(r.levelsCompleted, 1);

  // The run ended the moment the name was confirmed: the game was already
  // written, record line and best line, nothing after it.
  const std::string saved = testutil::ReadBytes((kept / "Files" / "256" / "scores.dat").string());
  EXPECT_EQ(saved.rfind(std::to_string(r.score) + "|PlayerImra|0|", 0), 0u) << saved;
  EXPECT_EQ(testutil::CrlfLines(saved).size(), 2u) << saved;
  fs::remove_all(kept);
}

}  // namespace
