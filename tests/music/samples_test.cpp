// Instrument samples: which files are looked for, which slots they fill, and
// what a reload keeps.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "game/game_assets.h"
#include "game/game_test_util.h"
#include "music_test_util.h"
#include "platform/audio.h"

namespace {

using musictest::MusicTest;
namespace fs = std::filesystem;

std::vector<std::string> LoadedPaths() {
  std::vector<std::string> out;
  for (const auto& c : testbackend::AudioCalls()) {
    if (c.op == "LoadSound") out.push_back(c.text);
  }
  return out;
}

TEST_F(MusicTest, AnEmptyMusicFolderFillsNoSlot) {
  QRDM_Load();
  for (size_t slot = 0; slot < QRDM_inst.size(); ++slot) EXPECT_EQ(QRDM_inst[slot], 0) << slot;
  for (size_t i = 0; i < QRDM_PatternHave.size(); ++i) EXPECT_EQ(QRDM_PatternHave[i], 0) << i;
  // The drum kits are tried whether or not their files are there; the
  // variants only when present.
  std::vector<std::string> want;
  for (int n = 1; n <= 8; ++n) {
    want.push_back(Music("d1-" + std::to_string(n) + ".wav"));
    want.push_back(Music("d2-" + std::to_string(n) + ".wav"));
  }
  EXPECT_EQ(LoadedPaths(), want);
}

TEST_F(MusicTest, EveryFileFillsItsSlotInLoadingOrder) {
  PutAllSamples();
  PutSample("bass9.wav");
  PutSample("lead0.wav");
  QRDM_Load();
  for (size_t slot = 0; slot < QRDM_inst.size(); ++slot) {
    const bool filled = slot % 10 != 0 && slot % 10 != 9;
    EXPECT_EQ(QRDM_inst[slot] != 0, filled) << slot;
  }
  EXPECT_EQ(QRDM_PatternHave[1], 8);
  EXPECT_EQ(QRDM_PatternHave[2], 8);
  EXPECT_EQ(QRDM_PatternHave[3], 8);
  std::vector<std::string> want;
  for (int n = 1; n <= 8; ++n) {
    for (const char* kind : {"d1-", "d2-", "bass", "lead", "accompany"}) want.push_back(Music(kind + std::to_string(n) + ".wav"));
  }
  EXPECT_EQ(LoadedPaths(), want);
}

TEST_F(MusicTest, MissingVariantFilesLeaveTheirSlotsAndCounts) {
  struct Case {
    std::vector<std::string> files;
    std::array<int32_t, 3> have;       // bass, lead, accompaniment
    std::vector<size_t> filled;        // every slot that holds a sample
  };
  const std::vector<Case> cases = {
      {{"accompany2.wav"}, {0, 0, 2}, {42}},
      {{"bass1.wav", "bass2.wav", "bass4.wav"}, {4, 0, 0}, {21, 22, 24}},
      {{"lead8.wav", "d2-3.wav", "d1-8.wav"}, {0, 8, 0}, {8, 13, 38}},
      {{"bass9.wav", "Bass1.wav.bak", "lead1.WAV"}, {0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files.front());
    testbackend::Reset();
    QRDM_inst.fill(0);
    QRDM_PatternHave.fill(0);
    fs::remove_all(root_ / "music");
    fs::create_directories(root_ / "music");
    for (const auto& f : c.files) PutSample(f);
    QRDM_Load();
    EXPECT_EQ(QRDM_PatternHave[1], c.have[0]);
    EXPECT_EQ(QRDM_PatternHave[2], c.have[1]);
    EXPECT_EQ(QRDM_PatternHave[3], c.have[2]);
    for (size_t slot = 0; slot < QRDM_inst.size(); ++slot) {
      const bool want = std::find(c.filled.begin(), c.filled.end(), slot) != c.filled.end();
      EXPECT_EQ(QRDM_inst[slot] != 0, want) << slot;
    }
  }
}

TEST_F(MusicTest, AReloadGivesNewHandlesAndKeepsWhatWentMissing) {
  PutSample("d1-1.wav");
  PutSample("bass2.wav");
  PutSample("lead3.wav");
  QRDM_Load();
  const auto first = QRDM_inst;
  const int sounds = testbackend::LiveSounds();
  EXPECT_EQ(sounds, 3);

  // The same files again: the same counts, new handles, the old ones released.
  QRDM_Load();
  for (size_t slot : {1, 22, 33}) {
    EXPECT_NE(QRDM_inst[slot], 0) << slot;
    EXPECT_NE(QRDM_inst[slot], first[slot]) << slot;
  }
  EXPECT_EQ(QRDM_PatternHave[1], 2);
  EXPECT_EQ(QRDM_PatternHave[2], 3);
  EXPECT_EQ(testbackend::LiveSounds(), sounds);

  // Files gone: a drum slot empties, a variant keeps its sample and its count.
  const auto second = QRDM_inst;
  fs::remove(Music("d1-1.wav"));
  fs::remove(Music("bass2.wav"));
  QRDM_Load();
  EXPECT_EQ(QRDM_inst[1], 0);
  EXPECT_EQ(QRDM_inst[22], second[22]);
  EXPECT_EQ(QRDM_PatternHave[1], 2);
  EXPECT_NE(QRDM_inst[33], second[33]);
  EXPECT_EQ(testbackend::LiveSounds(), 2);
}

// The game's asset loading loads the samples once the speed test is over.
class LoadGameMusicTest : public gametest::GameTest {};

TEST_F(LoadGameMusicTest, LoadGameLoadsTheSamplesAfterTheSpeedTest) {
  fs::create_directories(Paths.game + "music");
  testutil::WriteWav(Paths.game + "music/lead3.wav", 2205);
  testutil::WriteWav(Paths.game + "music/d2-5.wav", 2205);
  int loadsDuringTest = 0;
  everyFrame = [&] {
    testbackend::AdvanceClock(100);
    loadsDuringTest += testbackend::CountAudioCalls("LoadSound");
  };
  LoadGame();
  EXPECT_GT(frames_, 0);
  EXPECT_EQ(loadsDuringTest, 0);
  EXPECT_EQ(QRDM_PatternHave[2], 3);
  EXPECT_NE(QRDM_inst[33], 0);
  EXPECT_NE(QRDM_inst[15], 0);
  EXPECT_EQ(QRDM_inst[31], 0);
  // The first sounds loaded are the generator's drums, before the tunes.
  ASSERT_FALSE(testbackend::AudioCalls().empty());
  const auto& calls = testbackend::AudioCalls();
  const auto firstLoad = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.op == "LoadSound"; });
  ASSERT_NE(firstLoad, calls.end());
  EXPECT_EQ(firstLoad->text, Paths.game + "music/d1-1.wav");
}

}  // namespace
