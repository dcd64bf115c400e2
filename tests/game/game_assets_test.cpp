// Loading the game's own pictures and music when a display opens.
#include <string>
#include <vector>

#include "game/game_assets.h"
#include "game_test_util.h"
#include "platform/audio.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "settings/debug_log.h"
#include "settings/not_a_file.h"
#include "title/title.h"

namespace {

using gametest::GameTest;
using gametest::WritePng;
using gametest::WriteBytes;
using gametest::WriteWav;

class AssetsTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    // A slow machine: the speed test gives up after its first counts.
    everyFrame = [this] {
      testbackend::AdvanceClock(100);
      imagesDuringTest.push_back(testgraphics::LiveImages());
      soundsDuringTest.push_back(testbackend::LiveSounds());
    };
    OpenDebugLog(Paths.data + "Debug.txt");
  }
  void TearDown() override {
    CloseDebugLog();
    GameTest::TearDown();
  }
  std::string Game(const std::string& name) const { return Paths.game + name; }
  // Both drum kits of the music generator.
  void PutDrums() {
    gametest::fs::create_directories(Game("music"));
    for (int n = 1; n <= 8; ++n) {
      WriteWav(Game("music/d1-" + std::to_string(n) + ".wav"));
      WriteWav(Game("music/d2-" + std::to_string(n) + ".wav"));
    }
  }
  // The log lines that name a file that failed to load.
  static std::vector<std::string> LoadFailures() {
    std::vector<std::string> out;
    for (const auto& line : testutil::CrlfLines(testutil::ReadBytes(Paths.data + "Debug.txt"))) {
      if (line.rfind("\tCould not load ", 0) == 0) out.push_back(line);
    }
    return out;
  }
  // Every fixed file, in sizes the loader can cut.
  void PutFixedFiles() {
    WritePng(Game("gfx.png"), 256, 256);
    WritePng(Game("logo.png"), 64, 32);
    WritePng(Game("logob.png"), 64, 32);
    WritePng(Game("map.png"), 192, 144);
    WritePng(Game("mapB.png"), 96, 72);
    WriteWav(Game("Theme.ogg"));
    WriteWav(Game("Map.ogg"));
  }
  std::vector<int> imagesDuringTest;
  std::vector<int> soundsDuringTest;
};

TEST_F(AssetsTest, TheSpeedTestRunsBeforeAnythingIsLoaded) {
  PutFixedFiles();
  WritePng(Game("bg001.png"), 640, 64);
  const int images = testgraphics::LiveImages();
  const int sounds = testbackend::LiveSounds();
  LoadGame();
  ASSERT_FALSE(imagesDuringTest.empty());
  for (int n : imagesDuringTest) EXPECT_EQ(n, images);
  for (int n : soundsDuringTest) EXPECT_EQ(n, sounds);
  // Two style images, two sprite sheets, two logos, two maps; two tunes.
  EXPECT_EQ(testgraphics::LiveImages(), images + 8);
  EXPECT_EQ(testbackend::LiveSounds(), sounds + 2);
  // The speed test has set its budgets.
  EXPECT_GE(DrawMax[1], 1000);
}

TEST_F(AssetsTest, StylesComeFromTheBackdropsPresent) {
  PutFixedFiles();
  for (const char* name : {"bg001.png", "bg002.png", "bg005.png", "bg100.png"}) WritePng(Game(name), 640, 64);
  LoadGame();
  EXPECT_EQ(styles, 5);
  for (int style = 0; style <= kLastStyle; ++style) {
    const bool present = style == 1 || style == 2 || style == 5;
    SCOPED_TRACE(style);
    EXPECT_EQ(BG[style] != 0, present);
    EXPECT_EQ(BG_bit[style] != 0, present);
    if (!present) continue;
    EXPECT_EQ(ImageFrames(BG[style]), 2);
    EXPECT_EQ(ImageWidth(BG[style]), 160);
    EXPECT_EQ(ImageHeight(BG[style]), 64);
    EXPECT_EQ(ImageFrames(BG_bit[style]), 80);
    EXPECT_EQ(ImageWidth(BG_bit[style]), 8);
    EXPECT_EQ(ImageFlags(BG[style]) & (MASKEDIMAGE | FILTEREDIMAGE), MASKEDIMAGE);
  }
  EXPECT_EQ(StyleFileName(5), "bg005.png");
  EXPECT_EQ(StyleFileName(99), "bg099.png");
}

TEST_F(AssetsTest, OddStyleFilesAndNoStyleFiles) {
  PutFixedFiles();
  // No backdrop at all: nothing changes.
  styles = 0;
  LoadGame();
  EXPECT_EQ(styles, 0);
  for (int style = 0; style <= kLastStyle; ++style) EXPECT_EQ(BG[style] + BG_bit[style], 0) << style;

  // Too narrow for the terrain strip, and a folder with a backdrop's name.
  WritePng(Game("bg002.png"), 320, 64);
  gametest::fs::create_directory(Game("bg003.png"));
  LoadGame();
  EXPECT_EQ(styles, 3);
  EXPECT_NE(BG[2], 0);
  EXPECT_EQ(BG_bit[2], 0);
  EXPECT_EQ(BG[3], 0);
  EXPECT_EQ(BG_bit[3], 0);
}

// Something other than a file under a backdrop's name is named in the log,
// as a sound is, and never opened. A folder, or a file that may not be read,
// stands where the picture would: its style number counts, with no picture.
// Anything else (a pipe, a socket, a device, links in a loop) counts as
// missing.
TEST_F(AssetsTest, WhatStandsInPlaceOfABackdropIsNamedAndNeverOpened) {
  PutFixedFiles();
  PutDrums();
  const std::string path = Game("bg001.png");
  WritePng(path, 640, 64);
  const std::string picture = testutil::ReadBytes(path);
  for (const testutil::NotAFile& kind : testutil::NotAFiles()) {
    SCOPED_TRACE(kind.what);
    testutil::RemoveNotAFile(path);
    std::unique_ptr<testutil::PipeWatch> watch;
    if (!kind.put(path, picture, watch)) {
      ASSERT_EQ(kind.what, "an endless device") << "could not be made";
      continue;
    }
    OpenDebugLog(Paths.data + "Debug.txt");
    styles = 0;
    LoadGame();
    if (watch) {
      EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
    }
    SetOwnerPermissionsBind(false);
    EXPECT_EQ(styles, kind.file_like ? 1 : 0);
    EXPECT_EQ(BG[1], 0);
    EXPECT_EQ(BG_bit[1], 0);
    EXPECT_EQ(LoadFailures(), std::vector<std::string>{"\tCould not load 256/bg001.png (" + kind.named + ")"});
    EXPECT_NE(gfx, 0);
    watch.reset();
  }
  testutil::RemoveNotAFile(path);
}

TEST_F(AssetsTest, FixedFilesLoadWithTheirCellsAndFilters) {
  PutFixedFiles();
  LoadGame();
  EXPECT_EQ(ImageFrames(gfx), 512);
  EXPECT_EQ(ImageWidth(gfx), 8);
  EXPECT_EQ(ImageHeight(gfx), 16);
  EXPECT_EQ(ImageFrames(gfxf), 512);
  struct Want {
    int handle;
    int flags;
  };
  for (const Want& w : {Want{gfx, MASKEDIMAGE}, Want{gfxf, MASKEDIMAGE | FILTEREDIMAGE}, Want{gamelogo, MASKEDIMAGE},
                        Want{gamelogob, MASKEDIMAGE | FILTEREDIMAGE}, Want{map_I, MASKEDIMAGE},
                        Want{mapb_I, MASKEDIMAGE | FILTEREDIMAGE}}) {
    ASSERT_NE(w.handle, 0);
    EXPECT_EQ(ImageFlags(w.handle) & (MASKEDIMAGE | FILTEREDIMAGE), w.flags);
  }
  EXPECT_EQ(ImageWidth(map_I), 192);
  EXPECT_NE(tune, 0);
  EXPECT_NE(tune2, 0);
  EXPECT_NE(tune, tune2);
}

TEST_F(AssetsTest, MissingFilesGiveNoHandleAndTheRestStillLoads) {
  PutFixedFiles();
  gametest::fs::remove(Game("gfx.png"));
  gametest::fs::remove(Game("Map.ogg"));
  // Too few cells for the sprite sheet is as good as missing.
  LoadGame();
  EXPECT_EQ(gfx, 0);
  EXPECT_EQ(gfxf, 0);
  EXPECT_EQ(tune2, 0);
  EXPECT_NE(gamelogo, 0);
  EXPECT_NE(map_I, 0);
  EXPECT_NE(mapb_I, 0);
  EXPECT_NE(tune, 0);

  WritePng(Game("gfx.png"), 256, 128);
  LoadGame();
  EXPECT_EQ(gfx, 0);
  EXPECT_EQ(gfxf, 0);
}

TEST_F(AssetsTest, EveryFileThatFailsToLoadIsNamedInTheLogAndTheRestLoads) {
  PutFixedFiles();
  PutDrums();
  WritePng(Game("bg001.png"), 640, 64);
  LoadGame();
  EXPECT_EQ(LoadFailures(), std::vector<std::string>{});

  // An empty sprite sheet, a folder and a missing tune among the fixed
  // files; a backdrop too narrow for its terrain strip; a drum missing; an
  // instrument variant that is no sound. A variant that is not there at all
  // is not a failure.
  WriteBytes(Game("gfx.png"), "");
  gametest::fs::remove(Game("logob.png"));
  gametest::fs::create_directory(Game("logob.png"));
  gametest::fs::remove(Game("Map.ogg"));
  WritePng(Game("bg002.png"), 320, 64);
  gametest::fs::remove(Game("music/d1-3.wav"));
  WriteBytes(Game("music/bass2.wav"), "RIFF, but nothing more");
  OpenDebugLog(Paths.data + "Debug.txt");
  LoadGame();
  EXPECT_EQ(LoadFailures(), (std::vector<std::string>{
                                "\tCould not load 256/music/bass2.wav (not a sound)",
                                "\tCould not load 256/music/d1-3.wav (missing)",
                                "\tCould not load 256/bg002.png (not a picture of 80 frames of 8x64)",
                                "\tCould not load 256/gfx.png (empty)",
                                "\tCould not load 256/logob.png (a folder)",
                                "\tCould not load 256/Map.ogg (missing)",
                            }));
  EXPECT_EQ(gfx, 0);
  EXPECT_EQ(gfxf, 0);
  EXPECT_EQ(gamelogob, 0);
  EXPECT_EQ(tune2, 0);
  EXPECT_NE(BG[2], 0);
  EXPECT_NE(gamelogo, 0);
  EXPECT_NE(map_I, 0);
  EXPECT_NE(tune, 0);

  // Every display opening names them again.
  LoadGame();
  EXPECT_EQ(LoadFailures().size(), 12u);
}

TEST_F(AssetsTest, AReloadReplacesEveryHandleAndReleasesTheOldObjects) {
  PutFixedFiles();
  WritePng(Game("bg001.png"), 640, 64);
  WritePng(Game("bg004.png"), 640, 64);
  LoadGame();
  const std::vector<int> first = {BG[1], BG_bit[1], BG[4], BG_bit[4], gfx, gfxf, gamelogo, gamelogob, map_I, mapb_I};
  const int firstTune = tune, firstTune2 = tune2;
  const int images = testgraphics::LiveImages();
  const int sounds = testbackend::LiveSounds();
  for (int k = 0; k < 5; ++k) LoadGame();
  EXPECT_EQ(styles, 4);
  const std::vector<int> last = {BG[1], BG_bit[1], BG[4], BG_bit[4], gfx, gfxf, gamelogo, gamelogob, map_I, mapb_I};
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_NE(last[i], 0) << i;
    EXPECT_NE(last[i], first[i]) << i;
    // The replaced object is gone.
    EXPECT_EQ(ImageFrames(first[i]), 0) << i;
  }
  EXPECT_NE(tune, firstTune);
  EXPECT_NE(tune2, firstTune2);
  EXPECT_EQ(testgraphics::LiveImages(), images);
  EXPECT_EQ(testbackend::LiveSounds(), sounds);
}

}  // namespace
