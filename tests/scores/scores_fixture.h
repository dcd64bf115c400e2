// A temporary game folder for the score history, the debug log open in its
// data folder, the game's globals at their start values and a 1280x960 test
// screen.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "scores/history.h"
#include "scores/score_records.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

class ScoresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    root_ = std::filesystem::temp_directory_path() /
            ("duskmoor_scores_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Files" / "256");
    ResolvePaths(root_.string());
    OpenDebugLog(Paths.data + "Debug.txt");
    CreateSettingsTables();
    CreateScoreContainers();
    CreateMessageContainers();
    MyName = "Player";
    testutil::OpenTestScreen();
    testgraphics::ClearDraws();
  }
  void TearDown() override {
    CloseDebugLog();
    testutil::EndFileFaults();
    std::filesystem::remove_all(root_);
  }

  static std::string ScoresFile() { return Paths.game + "scores.dat"; }
  // The debug log's lines so far.
  static std::vector<std::string> LogLines() {
    return testutil::CrlfLines(testutil::ReadBytes(Paths.data + "Debug.txt"));
  }

  static std::shared_ptr<Scores> Rec(int64_t score, int64_t stamp, const std::string& name = "Ann",
                                     int32_t mode = 0) {
    auto r = std::make_shared<Scores>();
    r->Score = score;
    r->Timestamp = stamp;
    r->Name = name;
    r->GameMode = mode;
    return r;
  }

  std::filesystem::path root_;
};
