// Pattern generation: the rows of the five tracks, the song sections, the
// variants and the mute plan.
#include <array>
#include <string>
#include <vector>

#include "music_test_util.h"
#include "platform/runtime.h"

namespace {

using musictest::MusicTest;
using musictest::RefRandom;

float Cell(int track, int row) { return QRDM_Pattern[static_cast<size_t>(track * 70 + row)]; }

class PatternTest : public MusicTest {
 protected:
  // One entry per rule section, none stretched; an empty text leaves the
  // section without entries.
  void Song(const std::vector<std::string>& lines, int32_t seed = 1) {
    for (size_t s = 0; s < 5; ++s) {
      QRDM_Many[s] = lines[s].empty() ? 0 : 1;
      QRDM_Set[s * 1000 + 1] = lines[s];
      QRDM_Stretch[s] = 0;
    }
    QRDM_StartSong(seed, 200);
  }
};

TEST_F(PatternTest, DrumLinesRestartEveryPattern) {
  const std::string drums16 = "1 9 0x3 8  2 7 5";
  Song({drums16, "qqqqrrrr", "q", "w", "e"});
  auto digit = [](char c) { return c >= '0' && c <= '9' ? static_cast<float>(c - '0') : 0.0f; };
  for (int pattern = 0; pattern < 2; ++pattern) {
    for (int r = 0; r < 64; ++r) {
      EXPECT_EQ(Cell(0, r), digit(drums16[static_cast<size_t>(r % 16)])) << r;
      EXPECT_EQ(Cell(1, r), digit(drums16[static_cast<size_t>(r % 16)])) << r;
    }
    QRDM_NextPattern();
  }

  // 48 characters: its first 16 again at rows 48 to 63, and from its start in
  // the next pattern.
  std::string drums48;
  for (int i = 0; i < 48; ++i) drums48 += static_cast<char>('1' + i % 8);
  drums48[0] = '9';
  Song({drums48, "qqqqrrrr", "q", "w", "e"});
  for (int pattern = 0; pattern < 3; ++pattern) {
    for (int r = 0; r < 64; ++r) EXPECT_EQ(Cell(0, r), digit(drums48[static_cast<size_t>(r % 48)])) << pattern << " " << r;
    QRDM_NextPattern();
  }
  EXPECT_EQ(Cell(0, 48), 9.0f);
}

TEST_F(PatternTest, TunesRunOnAcrossTheSectionsPatterns) {
  const std::string keys = "q2w3e r5t6y7u";
  std::string bass;
  for (int i = 0; i < 96; ++i) bass += keys[static_cast<size_t>(i % 13)];
  Song({"1", "qqqqrrrr", bass, "  i", "z1e"});
  for (int pattern = 1; pattern <= 3; ++pattern) {
    SCOPED_TRACE(pattern);
    // Patterns 1 and 2 form a section; pattern 3 starts the next one.
    EXPECT_EQ(QRDM_PatternAt, pattern == 2 ? 2 : 1);
    const int start = pattern == 2 ? 64 : 0;
    for (int r = 0; r < 64; ++r) {
      const char c = bass[static_cast<size_t>((r + start) % 96)];
      EXPECT_EQ(Cell(2, r), c == ' ' ? 0.0f : QRDM_NoteVal(std::string(1, c))) << r;
      EXPECT_EQ(Cell(3, r), (r + start) % 3 == 2 ? 2.0f : 0.0f) << r;
      // Characters that are no note keys are rests.
      EXPECT_EQ(Cell(4, r), (r + start) % 3 == 2 ? 1.26f : 0.0f) << r;
    }
    QRDM_NextPattern();
  }
}

TEST_F(PatternTest, SectionsLastAsManyPatternsAsWholeChordGroups) {
  struct Case {
    std::string chords;
    std::vector<int32_t> patternAt;  // of the first patterns of the song
  };
  const std::vector<Case> cases = {
      {"q", {1, 1, 1, 1}},       {"qrt", {1, 1, 1, 1}},     {"qrtq", {1, 1, 1, 1}},
      {"qrtqrt", {1, 1, 1, 1}},  {"qqqqrrrr", {1, 2, 1, 2}}, {"qqqqrrrrtttt", {1, 2, 3, 1}},
      {"", {1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.chords + "\"");
    Song({"1", c.chords, "q", "w", "e"});
    for (size_t k = 0; k < c.patternAt.size(); ++k) {
      if (k > 0) QRDM_NextPattern();
      EXPECT_EQ(QRDM_SongAt, static_cast<int32_t>(k));
      EXPECT_EQ(QRDM_PatternAt, c.patternAt[k]) << k;
      EXPECT_EQ(QRDM_Chord, c.chords);
    }
  }
}

TEST_F(PatternTest, ATrackWithoutALineIsSilentForTheSection) {
  // A rule file with no bass section and an empty melody entry.
  PutRules("nobass", {"[Drums]", "\"13\"", "[Chords]", "\"qqqq\"", "[Melody]", "\"\"", "[Accompany]", "\"e\""});
  ASSERT_TRUE(QRDM_ReadRules(Music("nobass.ini")));
  QRDM_StartSong(3, 200);
  for (int pattern = 0; pattern < 3; ++pattern) {
    for (int r = 0; r < 64; ++r) {
      EXPECT_EQ(Cell(2, r), 0.0f);
      EXPECT_EQ(Cell(3, r), 0.0f);
      // Without a stretch line every line is stretched once.
      EXPECT_EQ(Cell(4, r), r % 2 == 0 ? 1.26f : 0.0f);
    }
    QRDM_NextPattern();
  }
  // A second song whose melody section is empty plays nothing of the first
  // song's melody entries.
  QRDM_Set[3001] = "qwerty";
  QRDM_Many[3] = 0;
  QRDM_StartSong(4, 200);
  for (int r = 0; r < 64; ++r) EXPECT_EQ(Cell(3, r), 0.0f);
}

TEST_F(PatternTest, VariantsAreTheFirstDrawsAfterTheReseed) {
  for (const auto& have : std::vector<std::array<int32_t, 4>>{{0, 8, 8, 8}, {0, 0, 0, 0}, {0, 3, 1, 0}}) {
    for (int32_t seed : {1, 7, 1000, -5}) {
      SCOPED_TRACE(std::to_string(seed) + " with " + std::to_string(have[1]) + std::to_string(have[2]) + std::to_string(have[3]));
      for (size_t i = 1; i <= 3; ++i) QRDM_PatternHave[i] = have[i];
      Song({"1", "qrtq", "q", "w", "e"}, seed);
      // The song's first pattern reseeds from (seed << 10) - 1 - 1.
      RefRandom ref(seed * 1024 - 2);
      for (size_t i = 1; i <= 3; ++i) {
        const int32_t want = ref.Rand(1, have[i]);
        EXPECT_EQ(QRDM_PatternUse[i], want) << i;
        // No variant file: Rand(1, 0) gives 0 or 1.
        EXPECT_TRUE(have[i] == 0 ? want <= 1 : want >= 1 && want <= have[i]);
      }
    }
  }
}

TEST_F(PatternTest, OneDrumTrackAndTheBassOrTheLeadAlwaysPlay) {
  int bothDrumsDrawn = 0, bassAndLeadDrawn = 0;
  for (int32_t seed = 1; seed <= 40; ++seed) {
    Song({"1", "q", "q", "w", "e"}, seed);
    for (int section = 0; section < 6; ++section) {
      const auto planned = QRDM_MuteAhead;
      QRDM_NextPattern();  // one-letter chords: every pattern is a section
      if (planned[0] == 1 && planned[1] == 1) ++bothDrumsDrawn;
      if (planned[2] == 1 && planned[3] == 1) ++bassAndLeadDrawn;
      EXPECT_EQ(QRDM_Mute[0] + QRDM_Mute[1], planned[0] + planned[1] - (planned[0] == 1 && planned[1] == 1 ? 1 : 0));
      EXPECT_EQ(QRDM_Mute[2] + QRDM_Mute[3], planned[2] + planned[3] - (planned[2] == 1 && planned[3] == 1 ? 1 : 0));
      for (size_t i = 4; i < 20; ++i) EXPECT_EQ(QRDM_Mute[i], planned[i]) << i;
      for (size_t i = 0; i < 20; ++i) {
        EXPECT_TRUE(QRDM_MuteAhead[i] == 0 || QRDM_MuteAhead[i] == 1);
        EXPECT_TRUE(QRDM_MuteAheadGo[i] == 1 || QRDM_MuteAheadGo[i] == 2);
      }
    }
  }
  // Both corrections were exercised.
  EXPECT_GT(bothDrumsDrawn, 0);
  EXPECT_GT(bassAndLeadDrawn, 0);
}

TEST_F(PatternTest, APatternWithinASectionDrawsNothingAfterItsReseed) {
  Song({"1", "qqqqrrrr", "q", "w", "e"}, 9);
  QRDM_NextPattern();  // second pattern of the first section
  ASSERT_EQ(QRDM_PatternAt, 2);
  // Reseeded from the counters it found: pattern 1, song position 0.
  RefRandom ref(9 * 1024 + 1 + 0);
  EXPECT_EQ(Rand(0, 1 << 30), ref.Rand(0, 1 << 30));
}

TEST_F(PatternTest, TheSameSeedGivesTheSameSongAndAnotherSeedAnother) {
  PutRules("moor", {"[Drums]", "STRETCH RANDOM", "\"1 3 2 3\"", "\"1 1 2 3 4\"", "[Chords]", "\"qqrrttqq\"", "\"vvqq\"",
                    "[Bass]", "\"q  t  e \"", "\"q q r\"", "[Melody]", "STRETCH RANDOM+", "\"e w q w\"", "\"t r e\"",
                    "[Accompany]", "\"q e t e\"", "\"q   e\""});
  auto song = [&](int32_t seed) {
    QRDM_NewSong("moor", seed, 250);
    std::vector<float> all;
    for (int p = 0; p < 12; ++p) {
      all.insert(all.end(), QRDM_Pattern.begin(), QRDM_Pattern.begin() + 350);
      QRDM_NextPattern();
    }
    return all;
  };
  const auto a = song(42);
  // Other draws of the game in between change nothing.
  for (int k = 0; k < 100; ++k) Rand(0, 5);
  EXPECT_EQ(song(42), a);
  EXPECT_NE(song(43), a);
}

// Worked out from the generator's sequence: each line's entry number comes
// from its own reseed and offset, and the mute plan continues from where the
// chord picker left the generator.
TEST_F(PatternTest, ASectionsLinesAndMutePlanFollowTheSeedInOrder) {
  const char* names = "dcbma";
  const int32_t offsets[6] = {13, 3, 7, 13, 19, 29};  // chords, drums A, drums B, bass, melody, accompaniment
  const int32_t sections[6] = {1, 0, 0, 2, 3, 4};
  for (int32_t seed : {1, 7, 1000, -5}) {
    SCOPED_TRACE(seed);
    for (size_t s = 0; s < 5; ++s) {
      QRDM_Many[s] = 5;
      QRDM_Stretch[s] = 0;
      for (int n = 1; n <= 5; ++n) QRDM_Set[s * 1000 + static_cast<size_t>(n)] = std::string(1, names[s]) + std::to_string(n) + "qqq";
    }
    QRDM_StartSong(seed, 200);
    // Two sections: the song's first pattern, and the next one (chord lines
    // of four letters make one-pattern sections).
    for (int32_t songAt = 0; songAt < 2; ++songAt) {
      if (songAt > 0) QRDM_NextPattern();
      const std::string* lines[6] = {&QRDM_Chord, &QRDM_DrumloopA, &QRDM_DrumloopB, &QRDM_BassBeat, &QRDM_MelodyBeat, &QRDM_MelodyBeatB};
      for (size_t i = 0; i < 6; ++i) {
        RefRandom ref(seed * 1024 + 1 + songAt + offsets[i]);
        for (int k = 0; k < songAt * 4 + offsets[i]; ++k) ref.Rand(0, 1000);
        const int32_t n = ref.Rand(1, 5);
        EXPECT_EQ(*lines[i], std::string(1, names[sections[i]]) + std::to_string(n) + "qqq") << songAt << " line " << i;
      }
      RefRandom ref(seed * 1024 + 1 + songAt + 13);
      for (int k = 0; k < songAt * 4 + 13 + 1; ++k) ref.Rand(0, 1000);
      for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(QRDM_MuteAhead[i], ref.Rand(0, 1)) << songAt << " track " << i;
        EXPECT_EQ(QRDM_MuteAheadGo[i], ref.Rand(1, 2)) << songAt << " track " << i;
      }
    }
  }
}

}  // namespace
