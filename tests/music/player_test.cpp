// The pattern player: when rows play, which notes start with which settings,
// and how muted tracks come in before a section change.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "music_test_util.h"
#include "platform/audio.h"

namespace {

using musictest::MusicTest;
using testbackend::AudioCall;

float& Cell(int track, int row) { return QRDM_Pattern[static_cast<size_t>(track * 70 + row)]; }

class PlayerTest : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    PutAllSamples();
    QRDM_Load();
    testbackend::ClearAudioCalls();
    // A song in its first pattern, no row played yet, the next row due at 1000.
    QRDM_Playing = 1;
    QRDM_Tempo = 100;
    QRDM_BeatAt = 1000;
    QRDM_RowAt = -1;
    QRDM_PatternAt = 1;
    QRDM_SongAt = 0;
    QRDM_Chord = "qqqq";
    QRDM_StereoSeperation = 0.3f;
    QRDM_PatternUse = {0, 1, 1, 1, 0};
    testbackend::SetClock(1000);
  }
  // Plays row `row` of the current pattern now, whatever the schedule.
  void PlayRow(int32_t row) {
    QRDM_RowAt = row - 1;
    QRDM_BeatAt = testbackend::Clock() - 1;
    QRDM_Play();
  }
  static std::vector<AudioCall> Calls(const std::string& op) {
    std::vector<AudioCall> out;
    for (const auto& c : testbackend::AudioCalls()) {
      if (c.op == op) out.push_back(c);
    }
    return out;
  }
};

TEST_F(PlayerTest, IdleDoesNothing) {
  QRDM_Playing = 0;
  Cell(0, 0) = 1;
  testbackend::SetClock(50000);
  QRDM_Play();
  EXPECT_EQ(QRDM_RowAt, -1);
  EXPECT_EQ(QRDM_BeatAt, 1000);
  EXPECT_TRUE(testbackend::AudioCalls().empty());
}

TEST_F(PlayerTest, ARowIsDueOnlyOnceTheClockIsPastTheBeat) {
  QRDM_Play();  // clock 1000 = beat: not yet
  EXPECT_EQ(QRDM_RowAt, -1);
  testbackend::SetClock(1001);
  QRDM_Play();
  EXPECT_EQ(QRDM_RowAt, 0);
  EXPECT_EQ(QRDM_BeatAt, 1100);
  // One row per call, even with several due: the beat keeps its own grid.
  testbackend::SetClock(1550);
  std::vector<int32_t> rows;
  for (int k = 0; k < 8; ++k) {
    QRDM_Play();
    rows.push_back(QRDM_RowAt);
  }
  EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 3, 4, 5, 5, 5, 5}));
  EXPECT_EQ(QRDM_BeatAt, 1600);
  testbackend::SetClock(1601);
  QRDM_Play();
  EXPECT_EQ(QRDM_RowAt, 6);
}

TEST_F(PlayerTest, ATempoOfZeroOrLessPlaysARowEveryCall) {
  for (int32_t tempo : {0, -1, -50}) {
    QRDM_Tempo = tempo;
    QRDM_RowAt = -1;
    QRDM_BeatAt = 990;
    for (int k = 0; k < 10; ++k) QRDM_Play();
    EXPECT_EQ(QRDM_RowAt, 9) << tempo;
  }
}

TEST_F(PlayerTest, RowsKeepTheirPaceAcrossTheClocksWrap) {
  for (int32_t start : {std::numeric_limits<int32_t>::max() - 500, -501}) {
    SCOPED_TRACE(start);
    testbackend::SetClock(start);
    QRDM_BeatAt = start + 50;
    QRDM_RowAt = -1;
    QRDM_SongAt = 0;
    int rows = 0;
    // One call a millisecond for two seconds: twenty rows, one per 100 ms.
    for (int ms = 0; ms < 2000; ++ms) {
      const int32_t before = QRDM_RowAt;
      QRDM_Play();
      rows += QRDM_RowAt != before ? 1 : 0;
      testbackend::AdvanceClock(1);
    }
    EXPECT_EQ(rows, 20);
  }
}

TEST_F(PlayerTest, Row63IsFollowedByRowZeroOfAFreshPattern) {
  // A song whose sections stay put: the rule entries of a one-entry song.
  for (size_t s = 0; s < 5; ++s) {
    QRDM_Many[s] = 1;
    QRDM_Stretch[s] = 0;
  }
  QRDM_Set[1] = "1";
  QRDM_Set[1001] = "qqqqrrrr";
  QRDM_Set[2001] = "q";
  QRDM_Set[3001] = "w";
  QRDM_Set[4001] = "e";
  QRDM_StartSong(5, 2);  // one millisecond a row
  EXPECT_EQ(QRDM_SongAt, 0);
  auto nextRow = [] {
    testbackend::SetClock(QRDM_BeatAt + 1);
    QRDM_Play();
  };
  for (int k = 0; k < 64; ++k) nextRow();
  EXPECT_EQ(QRDM_RowAt, 63);
  EXPECT_EQ(QRDM_SongAt, 0);
  QRDM_Pattern.fill(-1.0f);
  nextRow();
  EXPECT_EQ(QRDM_RowAt, 0);
  EXPECT_EQ(QRDM_SongAt, 1);
  EXPECT_EQ(QRDM_PatternAt, 2);
  EXPECT_EQ(Cell(0, 0), 1.0f);
}

TEST_F(PlayerTest, ANoteIsSetUpPausedThenStarted) {
  QRDM_Chord = "rrrr";  // chord ratio 1.335
  QRDM_PatternUse = {0, 2, 7, 8, 0};
  Cell(0, 0) = 3;
  Cell(1, 0) = 5.5f;  // a drum value is truncated
  Cell(2, 0) = 1.26f;
  Cell(3, 0) = 0.5295f;
  Cell(4, 0) = 2.0f;
  PlayRow(0);
  const auto& calls = testbackend::AudioCalls();
  std::vector<std::string> ops;
  for (const auto& c : calls) ops.push_back(c.op);
  const std::vector<std::string> drum = {"AllocChannel", "CueSound", "SetChannelPan", "SetChannelVolume", "ResumeChannel"};
  const std::vector<std::string> bass = {"AllocChannel", "CueSound", "SetChannelPan", "SetChannelRate", "SetChannelVolume", "ResumeChannel"};
  const std::vector<std::string> lead = {"AllocChannel", "CueSound", "SetChannelRate", "SetChannelVolume", "ResumeChannel"};
  std::vector<std::string> want;
  for (const auto* part : {&drum, &drum, &bass, &lead, &bass}) want.insert(want.end(), part->begin(), part->end());
  ASSERT_EQ(ops, want);

  const auto cues = Calls("CueSound");
  const std::vector<int> samples = {QRDM_inst[3], QRDM_inst[15], QRDM_inst[22], QRDM_inst[37], QRDM_inst[48]};
  for (size_t t = 0; t < 5; ++t) {
    EXPECT_EQ(cues[t].a, samples[t]) << t;
    EXPECT_EQ(cues[t].b, Channel[t]) << t;
    EXPECT_NE(Channel[t], 0) << t;
  }
  const auto pans = Calls("SetChannelPan");
  EXPECT_EQ(pans[0].f, 0.3f);
  EXPECT_EQ(pans[1].f, -0.3f);
  EXPECT_EQ(pans[2].f, -0.3f);
  EXPECT_EQ(pans[3].f, 0.3f);
  EXPECT_EQ(pans[3].a, Channel[4]);
  const auto rates = Calls("SetChannelRate");
  EXPECT_EQ(rates[0].f, 1.26f * 1.335f);
  EXPECT_EQ(rates[1].f, 0.5295f * 1.335f);
  EXPECT_EQ(rates[2].f, 2.0f * 1.335f);
  const auto volumes = Calls("SetChannelVolume");
  const std::vector<float> wantVolume = {0.25f, 0.25f, 0.25f, 0.25f, 0.125f};
  for (size_t t = 0; t < 5; ++t) EXPECT_EQ(volumes[t].f, wantVolume[t]) << t;
  for (size_t t = 0; t < 5; ++t) EXPECT_EQ(ChannelPlaying(Channel[t]), 1) << t;
}

TEST_F(PlayerTest, VolumesFollowTheSettingsOfTheMoment) {
  struct Case {
    int32_t master, music;
    float drums, accompaniment;
  };
  const std::vector<Case> cases = {
      {50, 50, 0.25f, 0.125f}, {100, 100, 1.0f, 0.5f}, {0, 80, 0.0f, 0.0f}, {100, 37, 0.37f, 0.185f},
      // Oversized settings are passed on and the channel clamps them; the
      // product does not overflow.
      {300, 300, 9.0f, 4.5f}, {2000000000, 2000000000, 4.0e14f, 2.0e14f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.master) + " " + std::to_string(c.music));
    Options[11] = c.master;
    Options[13] = c.music;
    testbackend::ClearAudioCalls();
    Cell(0, 0) = 1;
    Cell(4, 0) = 1.0f;
    PlayRow(0);
    const auto volumes = Calls("SetChannelVolume");
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_FLOAT_EQ(volumes[0].f, c.drums);
    EXPECT_FLOAT_EQ(volumes[1].f, c.accompaniment);
    // Notes start at volume 0 all the same.
    EXPECT_EQ(Calls("ResumeChannel").size(), 2u);
  }
}

TEST_F(PlayerTest, RestsAndSilentDrumsLeaveTheLastNoteSounding) {
  QRDM_Tempo = 10;
  Cell(0, 0) = 2;
  Cell(2, 0) = 1.0f;
  PlayRow(0);
  const int32_t drum = Channel[0], bass = Channel[2];
  // Rests: a drum 9 or 0, a melodic 0.
  Cell(0, 1) = 9;
  testbackend::AdvanceClock(10);
  testbackend::ClearAudioCalls();
  PlayRow(1);
  EXPECT_TRUE(Calls("StopChannel").empty());
  EXPECT_TRUE(Calls("AllocChannel").empty());
  EXPECT_EQ(Channel[0], drum);
  EXPECT_EQ(ChannelPlaying(drum), 1);
  EXPECT_EQ(ChannelPlaying(bass), 1);

  // A new note cuts the one still sounding and takes a new channel.
  Cell(0, 2) = 4;
  testbackend::ClearAudioCalls();
  PlayRow(2);
  ASSERT_EQ(Calls("StopChannel").size(), 1u);
  EXPECT_EQ(Calls("StopChannel")[0].a, drum);
  EXPECT_NE(Channel[0], drum);
  EXPECT_NE(Channel[0], 0);
  EXPECT_EQ(ChannelPlaying(bass), 1);

  // Once the note has ended nothing is stopped.
  testbackend::AdvanceClock(500);
  const int32_t ended = Channel[0];
  EXPECT_EQ(ChannelPlaying(ended), 0);
  testbackend::ClearAudioCalls();
  PlayRow(2);
  EXPECT_TRUE(Calls("StopChannel").empty());
  EXPECT_NE(Channel[0], ended);
}

TEST_F(PlayerTest, ANoteWithoutASampleIsSilenceAndTheOtherTracksPlay) {
  // A missing drum, a melodic variant without a file, and variant 0.
  FreeSound(QRDM_inst[4]);
  QRDM_inst[4] = 0;
  QRDM_inst[33] = 0;
  QRDM_PatternUse = {0, 0, 3, 1, 0};
  Cell(0, 0) = 4;
  Cell(1, 0) = 4;
  Cell(2, 0) = 1.0f;
  Cell(3, 0) = 1.0f;
  Cell(4, 0) = 1.0f;
  Channel[0] = AllocChannel();
  PlaySound(QRDM_inst[1], Channel[0]);
  const int32_t ringing = Channel[0];
  testbackend::ClearAudioCalls();
  PlayRow(0);
  const auto cues = Calls("CueSound");
  ASSERT_EQ(cues.size(), 2u);
  EXPECT_EQ(cues[0].a, QRDM_inst[14]);
  EXPECT_EQ(cues[1].a, QRDM_inst[41]);
  for (const auto& c : cues) EXPECT_NE(c.a, 0);
  EXPECT_EQ(Channel[0], ringing);
  EXPECT_EQ(ChannelPlaying(ringing), 1);
  EXPECT_TRUE(Calls("StopChannel").empty());
}

TEST_F(PlayerTest, MelodicNotesWithoutAChordStartNothing) {
  // An empty chord line, a chord position past the line, a letter that is no note.
  struct Case {
    std::string chord;
    int32_t row;
  };
  for (const Case& c : std::vector<Case>{{"", 0}, {"q", 16}, {"qrt", 63}, {"aaaa", 5}}) {
    SCOPED_TRACE("\"" + c.chord + "\"");
    QRDM_Chord = c.chord;
    Cell(0, c.row) = 1;
    for (int t = 2; t < 5; ++t) Cell(t, c.row) = 1.0f;
    testbackend::ClearAudioCalls();
    PlayRow(c.row);
    EXPECT_EQ(Calls("AllocChannel").size(), 1u);
    EXPECT_TRUE(Calls("SetChannelRate").empty());
  }
  // Nothing is left sounding once the drums have ended.
  testbackend::AdvanceClock(1000);
  EXPECT_EQ(testbackend::LiveChannels(), 0);
}

TEST_F(PlayerTest, PanFollowsTheStereoWidth) {
  QRDM_Pan(0.8f);
  Cell(0, 0) = 1;
  Cell(1, 0) = 1;
  PlayRow(0);
  const auto pans = Calls("SetChannelPan");
  ASSERT_EQ(pans.size(), 2u);
  EXPECT_EQ(pans[0].f, 0.8f);
  EXPECT_EQ(pans[1].f, -0.8f);
}

// Which rows of a pattern a muted track plays on, by chord line length and
// pattern within the section.
TEST_F(PlayerTest, MutedTracksComeInBeforeTheSectionChanges) {
  struct Stage {
    int32_t chordLength;
    int32_t patternAt;
    int32_t firstStage1;  // rows [firstStage1, firstStage2) are stage 1
    int32_t firstStage2;  // rows from here on are stage 2
  };
  const std::vector<Stage> stages = {
      {8, 1, 64, 64}, {8, 2, 48, 56}, {4, 1, 48, 56}, {12, 3, 48, 56}, {12, 2, 64, 64},
      {6, 1, 64, 64}, {7, 1, 64, 64}, {1, 1, 0, 8},   {2, 1, 16, 24},  {3, 1, 32, 40}, {0, 1, 0, 0},
  };
  struct Plan {
    int32_t mute, ahead, go;
    int32_t fromStage;  // plays on rows of this stage or later; 0 always, 3 never
  };
  const std::vector<Plan> plans = {
      {0, 0, 1, 0}, {0, 1, 2, 0}, {1, 0, 1, 1}, {1, 0, 2, 2}, {1, 1, 1, 3}, {1, 1, 2, 3}, {2, 0, 1, 3}, {1, 0, 0, 3},
  };
  for (const Stage& s : stages) {
    for (const Plan& p : plans) {
      SCOPED_TRACE("chord " + std::to_string(s.chordLength) + " pattern " + std::to_string(s.patternAt) + " mute " +
                   std::to_string(p.mute) + " ahead " + std::to_string(p.ahead) + " go " + std::to_string(p.go));
      QRDM_Chord = std::string(static_cast<size_t>(s.chordLength), 'q');
      QRDM_PatternAt = s.patternAt;
      QRDM_Mute[0] = p.mute;
      QRDM_MuteAhead[0] = p.ahead;
      QRDM_MuteAheadGo[0] = p.go;
      for (int32_t r = 0; r < 64; ++r) {
        Cell(0, r) = 1;
        const int32_t stage = r >= s.firstStage2 ? 2 : r >= s.firstStage1 ? 1 : 0;
        testbackend::ClearAudioCalls();
        PlayRow(r);
        EXPECT_EQ(Calls("AllocChannel").size(), stage >= p.fromStage ? 1u : 0u) << "row " << r;
      }
    }
  }
}

}  // namespace
