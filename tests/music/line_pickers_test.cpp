// Line pickers: for fixed seeds and song positions, the entry and stretch that
// each picker draws, worked out from the shared generator's exact sequence.
#include <functional>
#include <string>
#include <vector>

#include "music_test_util.h"
#include "platform/runtime.h"

namespace {

using musictest::MusicTest;
using musictest::RefRandom;

std::string Stretched(std::string line, int times) {
  for (int k = 0; k < times; ++k) line = QRDM_StretchLine(line);
  return line;
}

class PickerTest : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    // Entries named by section letter and number; every section may stretch
    // none, once or twice, so the result shows the stretch draw too.
    const char* letters = "dcbma";
    for (int s = 0; s < 5; ++s) {
      for (int n = 1; n <= 998; ++n) QRDM_Set[static_cast<size_t>(s * 1000 + n)] = std::string(1, letters[s]) + std::to_string(n);
      QRDM_Stretch[static_cast<size_t>(s)] = 2;
    }
    QRDM_PatternAt = 1;
  }
  // The state a picker reads when a section starts at `songAt`.
  void At(int32_t seed, int32_t songAt) {
    QRDM_SongSeed = seed;
    QRDM_SongAt = songAt;
  }
};

using Picker = std::string (*)(int32_t);

struct PickCase {
  int32_t seed;
  int32_t songAt;
  Picker picker;
  int32_t offset;
  int32_t section;
  int32_t many;
  int32_t entry;    // entry number drawn
  int32_t stretch;  // times stretched under mode 2, i.e. the stretch draw
};

TEST_F(PickerTest, EntriesAndStretchesForFixedSeeds) {
  // Worked out by hand: SeedRnd((seed << 10) + 1 + songAt + offset), then
  // songAt * 4 + offset draws discarded, then Rand(1, count), then Rand(0, 2).
  const std::vector<PickCase> cases = {
      {1, 0, QRDM_Chords, 13, 1, 4, 4, 0},        {1, 0, QRDM_BassRhythm, 13, 2, 4, 4, 0},
      {1, 0, QRDM_DrumLoop, 3, 0, 5, 3, 0},       {1, 0, QRDM_DrumLoop, 7, 0, 5, 3, 2},
      {1, 0, QRDM_MelodyTune, 19, 3, 3, 3, 0},    {1, 0, QRDM_AccompanyTune, 29, 4, 2, 2, 2},
      {1, 2, QRDM_Chords, 13, 1, 4, 1, 0},        {1, 2, QRDM_BassRhythm, 13, 2, 1200, 125, 0},
      {7, 0, QRDM_Chords, 13, 1, 4, 4, 0},        {7, 0, QRDM_BassRhythm, 13, 2, 4, 4, 2},
      {7, 0, QRDM_DrumLoop, 3, 0, 5, 4, 0},       {7, 0, QRDM_DrumLoop, 7, 0, 5, 3, 2},
      {7, 0, QRDM_MelodyTune, 19, 3, 3, 3, 2},    {7, 0, QRDM_AccompanyTune, 29, 4, 2, 2, 1},
      {7, 2, QRDM_Chords, 13, 1, 4, 3, 0},        {7, 2, QRDM_BassRhythm, 13, 2, 1200, 648, 0},
      {1000, 0, QRDM_Chords, 13, 1, 4, 2, 0},     {1000, 0, QRDM_BassRhythm, 13, 2, 4, 2, 0},
      {1000, 0, QRDM_DrumLoop, 3, 0, 5, 2, 2},    {1000, 0, QRDM_DrumLoop, 7, 0, 5, 2, 1},
      {1000, 0, QRDM_MelodyTune, 19, 3, 3, 3, 2}, {1000, 0, QRDM_AccompanyTune, 29, 4, 2, 1, 1},
      {1000, 2, QRDM_Chords, 13, 1, 4, 2, 0},     {1000, 2, QRDM_BassRhythm, 13, 2, 1200, 360, 0},
      {-5, 0, QRDM_Chords, 13, 1, 4, 3, 0},       {-5, 0, QRDM_BassRhythm, 13, 2, 4, 3, 0},
      {-5, 0, QRDM_DrumLoop, 3, 0, 5, 3, 2},      {-5, 0, QRDM_DrumLoop, 7, 0, 5, 5, 0},
      {-5, 0, QRDM_MelodyTune, 19, 3, 3, 1, 2},   {-5, 0, QRDM_AccompanyTune, 29, 4, 2, 2, 1},
      {-5, 2, QRDM_Chords, 13, 1, 4, 4, 0},
      // 1200 entry lines, 998 kept: the draw stays among the kept ones.
      {-5, 2, QRDM_BassRhythm, 13, 2, 1200, 998, 1},
  };
  const char* letters = "dcbma";
  for (const PickCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.seed) + " at " + std::to_string(c.songAt) + " offset " + std::to_string(c.offset) +
                 " section " + std::to_string(c.section));
    QRDM_Many.fill(0);
    QRDM_Many[static_cast<size_t>(c.section)] = c.many;
    At(c.seed, c.songAt);
    const std::string want = Stretched(std::string(1, letters[c.section]) + std::to_string(c.entry), c.stretch);
    EXPECT_EQ(c.picker(c.offset), want);
    // The generator is left right after the picker's last draw.
    RefRandom ref(c.seed * 1024 + 1 + c.songAt + c.offset);
    const int draws = c.songAt * 4 + c.offset + 1 + (c.picker == QRDM_Chords ? 0 : 1);
    for (int k = 0; k < draws; ++k) ref.Rand(0, 1);
    EXPECT_EQ(Rand(0, 1 << 30), ref.Rand(0, 1 << 30));
  }
}

TEST_F(PickerTest, StretchModesByStretchDraw) {
  // Three calls whose stretch draws are known to be 0, 1 and 2.
  struct Known {
    int32_t seed;
    Picker picker;
    int32_t offset;
    int32_t section;
    int32_t many;
    std::string entry;
  };
  const std::vector<Known> byDraw = {
      {1, QRDM_BassRhythm, 13, 2, 4, "b4"},
      {7, QRDM_AccompanyTune, 29, 4, 2, "a2"},
      {7, QRDM_BassRhythm, 13, 2, 4, "b4"},
  };
  struct Mode {
    int32_t mode;
    std::vector<int> times;  // stretches for draws 0, 1, 2
  };
  const std::vector<Mode> modes = {{-1, {1, 1, 1}}, {0, {0, 0, 0}}, {1, {0, 1, 1}}, {2, {0, 1, 2}}, {-2, {2, 2, 2}}};
  for (const Mode& m : modes) {
    for (size_t d = 0; d < byDraw.size(); ++d) {
      const Known& k = byDraw[d];
      SCOPED_TRACE("mode " + std::to_string(m.mode) + " draw " + std::to_string(d));
      QRDM_Many.fill(0);
      QRDM_Many[static_cast<size_t>(k.section)] = k.many;
      QRDM_Stretch[static_cast<size_t>(k.section)] = m.mode;
      At(k.seed, 0);
      EXPECT_EQ(k.picker(k.offset), Stretched(k.entry, m.times[d]));
    }
  }
}

TEST_F(PickerTest, StretchingPutsABlankAfterEveryCharacter) {
  EXPECT_EQ(QRDM_StretchLine("123"), "1 2 3 ");
  EXPECT_EQ(QRDM_StretchLine(QRDM_StretchLine("123")), "1   2   3   ");
  EXPECT_EQ(QRDM_StretchLine(" q"), "  q ");
  EXPECT_EQ(QRDM_StretchLine(""), "");
}

TEST_F(PickerTest, AnEmptySectionGivesAnEmptyLineAfterTheSameDraws) {
  // An entry an earlier rule file left behind is not reached.
  QRDM_Set[2001] = "left over";
  QRDM_Set[2000] = "";
  QRDM_Many.fill(0);
  for (int32_t mode : {-1, 0, 1, 2, -2}) {
    QRDM_Stretch[2] = mode;
    for (int32_t seed : {1, 7, -5}) {
      At(seed, 1);
      EXPECT_EQ(QRDM_BassRhythm(13), "") << seed;
      RefRandom ref(seed * 1024 + 1 + 1 + 13);
      for (int k = 0; k < 4 + 13 + 2; ++k) ref.Rand(0, 1);
      EXPECT_EQ(Rand(0, 1 << 30), ref.Rand(0, 1 << 30)) << seed;
    }
  }
}

TEST_F(PickerTest, ASectionOfOneEntryAlwaysGivesIt) {
  QRDM_Many.fill(0);
  QRDM_Many[3] = 1;
  QRDM_Stretch[3] = 0;
  for (int32_t seed : {1, 2, 3, 99, -7}) {
    for (int32_t songAt : {0, 5, 40}) {
      At(seed, songAt);
      EXPECT_EQ(QRDM_MelodyTune(19), "m1");
    }
  }
}

TEST_F(PickerTest, ChordAndBassLinesShareTheirEntryNumber) {
  // Same offset, same discards: with equally many chord and bass entries the
  // two lines of a section always have the same number.
  QRDM_Many.fill(0);
  QRDM_Many[1] = 7;
  QRDM_Many[2] = 7;
  QRDM_Stretch[2] = 0;
  int differentFromFirst = 0;
  for (int32_t seed = 1; seed <= 30; ++seed) {
    for (int32_t songAt : {0, 1, 9}) {
      At(seed, songAt);
      const std::string chord = QRDM_Chords(13);
      const std::string bass = QRDM_BassRhythm(13);
      EXPECT_EQ(chord.substr(1), bass.substr(1)) << seed << " at " << songAt;
      differentFromFirst += chord != "c1" ? 1 : 0;
    }
  }
  EXPECT_GT(differentFromFirst, 0);
}

}  // namespace
