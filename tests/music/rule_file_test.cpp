// Song rule files, and starting, stopping and widening a song.
#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "music_test_util.h"
#include "platform/audio.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"

namespace {

using musictest::MusicTest;

std::string Entry(int section, int n) { return QRDM_Set[static_cast<size_t>(section * 1000 + n)]; }

TEST_F(MusicTest, HeadersEntriesAndStretchLines) {
  PutRules("song", {
                       "\"dropped before any header\"",
                       "STRETCH DOUBLE",
                       "[drums]",
                       "\"1 3 2 3\"",
                       "[Unknown]",
                       "\"2 2\"",
                       "  \t[ChOrDs]  ",
                       "\"qrtq\"",
                       "[ Bass ]",
                       "\"still chords\"",
                       "[BASS] ; a comment makes it no header",
                       "[BASS",
                       "stretch=random+",
                       "; a comment line",
                       "  \"1 2 3\" word",
                       "\"a\"\"b\"",
                       "[MELODY]]",
                       "STRETCHRANDOM",
                       "STRETCH SIDEWAYS",
                       "\"q w e\"",
                       "[ACCOMPANY",
                       "Stretch: false",
                       "STRETCH DOUBLE",
                       "\"\"",
                       "\"  \"",
                   });
  ASSERT_TRUE(QRDM_ReadRules(Music("song.ini")));
  const std::vector<int32_t> many = {2, 2, 2, 1, 2};
  const std::vector<int32_t> stretch = {-1, -1, 2, 1, -2};
  for (int s = 0; s < 5; ++s) {
    EXPECT_EQ(QRDM_Many[static_cast<size_t>(s)], many[static_cast<size_t>(s)]) << s;
    EXPECT_EQ(QRDM_Stretch[static_cast<size_t>(s)], stretch[static_cast<size_t>(s)]) << s;
  }
  EXPECT_EQ(Entry(0, 1), "1 3 2 3");
  EXPECT_EQ(Entry(0, 2), "2 2");
  EXPECT_EQ(Entry(1, 1), "qrtq");
  EXPECT_EQ(Entry(1, 2), "still chords");
  // Blanks before the quote are trimmed; text behind the closing quote stays.
  EXPECT_EQ(Entry(2, 1), "1 2 3 word");
  EXPECT_EQ(Entry(2, 2), "ab");
  EXPECT_EQ(Entry(3, 1), "q w e");
  EXPECT_EQ(Entry(4, 1), "");
  EXPECT_EQ(Entry(4, 2), "  ");
}

TEST_F(MusicTest, EntriesPastTheSectionsRoomAreCountedNotKept) {
  std::vector<std::string> lines = {"[CHORDS]"};
  for (int n = 1; n <= 1200; ++n) lines.push_back("\"" + std::to_string(n) + "\"");
  PutRules("long", lines);
  QRDM_Set[1999] = "untouched";
  ASSERT_TRUE(QRDM_ReadRules(Music("long.ini")));
  EXPECT_EQ(QRDM_Many[1], 1200);
  EXPECT_EQ(Entry(1, 1), "1");
  EXPECT_EQ(Entry(1, 998), "998");
  EXPECT_EQ(QRDM_Set[1999], "untouched");
  EXPECT_EQ(QRDM_Set[2000], "");
  EXPECT_EQ(QRDM_Set[1000], "");
}

TEST_F(MusicTest, DamagedAndOddFilesReadWithoutHarm) {
  struct Case {
    std::string name;
    std::string bytes;
    std::vector<int32_t> many;
  };
  const std::vector<Case> cases = {
      {"empty", "", {0, 0, 0, 0, 0}},
      {"no line end", "[BASS]\n\"q\"", {0, 0, 1, 0, 0}},
      {"crlf", "[Melody]\r\n\"q w\"\r\n\"e\"\r\n", {0, 0, 0, 2, 0}},
      // A zero byte ends a line; what follows it is the next line.
      {"zero byte", std::string("[DRUMS]\n\"1\"\0\"2\"\n", 14), {2, 0, 0, 0, 0}},
      {"binary", std::string("\xff\xfe[\x01\"\x80\n\"\x00\x00", 11), {0, 0, 0, 0, 0}},
      {"a lone quote", "[DRUMS]\n\"\n", {1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::WriteBytes(Music("odd.ini"), c.bytes);
    ASSERT_TRUE(QRDM_ReadRules(Music("odd.ini")));
    for (int s = 0; s < 5; ++s) EXPECT_EQ(QRDM_Many[static_cast<size_t>(s)], c.many[static_cast<size_t>(s)]) << s;
  }
  EXPECT_EQ(Entry(0, 1), "");  // the lone quote, once its quote is gone
}

TEST_F(MusicTest, NewSongStartsTheSongFromItsSeedAndTempo) {
  PutRules("song", {"[Drums]", "\"1 2\"", "[Chords]", "\"qqrr\"", "[Bass]", "\"q\"", "[Melody]", "\"w\"", "[Accompany]", "\"e\""});
  testbackend::SetClock(5000);
  QRDM_NewSong("song", 77, 251);
  EXPECT_EQ(QRDM_Playing, 1);
  EXPECT_EQ(QRDM_SongSeed, 77);
  EXPECT_EQ(QRDM_Tempo, 125);
  EXPECT_EQ(QRDM_BeatAt, 5250);
  EXPECT_EQ(QRDM_RowAt, -1);
  // The first pattern is built: song position 0, first pattern of a section.
  EXPECT_EQ(QRDM_SongAt, 0);
  EXPECT_EQ(QRDM_PatternAt, 1);
  EXPECT_EQ(QRDM_Chord, "qqrr");
  EXPECT_FLOAT_EQ(QRDM_StereoSeperation, 0.3f);

  // The first section's mute plan is the song seed's first 20 draws; of a
  // pair of drum tracks, or of bass and lead, one is unmuted when both drew 1.
  musictest::RefRandom ref(77 << 10);
  std::array<int32_t, 20> ahead{};
  for (auto& a : ahead) a = ref.Rand(0, 1);
  for (size_t i = 4; i < 20; ++i) EXPECT_EQ(QRDM_Mute[i], ahead[i]) << i;
  for (size_t pair : {0, 2}) {
    if (ahead[pair] == 1 && ahead[pair + 1] == 1) {
      EXPECT_EQ(QRDM_Mute[pair] + QRDM_Mute[pair + 1], 1) << pair;
    } else {
      EXPECT_EQ(QRDM_Mute[pair], ahead[pair]) << pair;
      EXPECT_EQ(QRDM_Mute[pair + 1], ahead[pair + 1]) << pair;
    }
  }

  // Tempos round toward zero.
  for (auto [tempo, perRow] : std::vector<std::pair<int32_t, int32_t>>{{251, 125}, {-3, -1}, {1, 0}, {2, 1}}) {
    QRDM_NewSong("song", 1, tempo);
    EXPECT_EQ(QRDM_Tempo, perRow) << tempo;
  }
}

TEST_F(MusicTest, ANewSongLetsTheOldNotesRingOn) {
  PutSample("d1-1.wav");
  QRDM_Load();
  PutRules("song", {"[Drums]", "\"1\"", "[Bass]", "\"q\"", "[Melody]", "\"w\"", "[Accompany]", "\"e\""});
  QRDM_NewSong("song", 1, 200);
  Channel[0] = AllocChannel();
  PlaySound(QRDM_inst[1], Channel[0]);
  const int32_t ringing = Channel[0];
  testbackend::ClearAudioCalls();
  QRDM_NewSong("song", 2, 200);
  EXPECT_EQ(Channel[0], ringing);
  EXPECT_EQ(ChannelPlaying(ringing), 1);
  EXPECT_EQ(testbackend::CountAudioCalls("StopChannel"), 0);
}

TEST_F(MusicTest, SeedMinusOneTakesTheClock) {
  PutRules("song", {"[Drums]", "\"1\"", "[Bass]", "\"q\"", "[Melody]", "\"w\"", "[Accompany]", "\"e\""});
  testbackend::SetClock(123456);
  QRDM_NewSong("song", -1, 200);
  EXPECT_EQ(QRDM_SongSeed, 123456);
}

TEST_F(MusicTest, AMissingRuleFileOnlyClearsCountsAndModesAndIsNamedInTheLog) {
  const std::string log = (root_ / "Debug.txt").string();
  OpenDebugLog(log);
  std::filesystem::create_directories(Music("folder.ini"));
  for (const std::string name : {"nothing", "folder"}) {
    QRDM_Many = {3, 4, 5, 6, 7};
    QRDM_Stretch = {0, 1, 2, -2, 0};
    QRDM_Tempo = 99;
    QRDM_NewSong(name, 5, 300);
    EXPECT_EQ(QRDM_Playing, 0) << name;
    EXPECT_EQ(QRDM_Tempo, 99) << name;
    for (size_t s = 0; s < 5; ++s) {
      EXPECT_EQ(QRDM_Many[s], 0) << name;
      EXPECT_EQ(QRDM_Stretch[s], -1) << name;
    }
    EXPECT_FALSE(QRDM_ReadRules(Music(name + ".ini"))) << name;
  }
  CloseDebugLog();
  EXPECT_EQ(testutil::ReadBytes(log), "\tCould not load " + Music("nothing.ini") + " (missing)\r\n\tCould not load " +
                                          Music("folder.ini") + " (a folder)\r\n");
}

// A rule file that is there but cannot be read whole is no song: a song of
// part of its lines, or of none, would play silence or half a tune without a
// word in the log.
TEST_F(MusicTest, ARuleFileThatCannotBeReadWholeStartsNoSongAndIsNamedInTheLog) {
  const std::string log = (root_ / "Debug.txt").string();
  OpenDebugLog(log);
  std::vector<std::string> lines = {"[Drums]", "\"1\"", "[Bass]", "\"q\"", "[Melody]", "\"w\"", "[Accompany]"};
  // Long enough that a read failing after its first bytes leaves lines unread.
  for (int n = 0; n < 200; ++n) lines.push_back("\"e r t\"");
  PutRules("locked", lines);
  PutRules("damaged", lines);
  std::filesystem::permissions(Music("locked.ini"), std::filesystem::perms::none);
  struct Case {
    std::string name;
    bool owner_bits;
    int64_t read_budget;
    std::string reason;
  };
  const Case cases[] = {
      {"locked", true, -1, "Permission denied"},
      {"damaged", false, 20, "Input/output error"},
  };
  for (const Case& c : cases) {
    SetOwnerPermissionsBind(c.owner_bits);
    SetReadFailAfter(c.read_budget);
    QRDM_Many = {3, 4, 5, 6, 7};
    QRDM_Stretch = {0, 1, 2, -2, 0};
    QRDM_NewSong(c.name, 5, 300);
    testutil::EndFileFaults();
    EXPECT_EQ(QRDM_Playing, 0) << c.name;
    for (size_t s = 0; s < 5; ++s) {
      EXPECT_EQ(QRDM_Many[s], 0) << c.name;
      EXPECT_EQ(QRDM_Stretch[s], -1) << c.name;
    }
  }
  CloseDebugLog();
  EXPECT_EQ(testutil::ReadBytes(log), "\tCould not load " + Music("locked.ini") + " (Permission denied)\r\n" +
                                          "\tCould not load " + Music("damaged.ini") + " (Input/output error)\r\n");
}

TEST_F(MusicTest, StopClearsTheGeneratorsChannelsOnly) {
  PutSample("d1-1.wav");
  QRDM_Load();
  for (size_t slot = 0; slot < 22; ++slot) Channel[slot] = AllocChannel();
  // Two of them sound; the rest were never started.
  PlaySound(QRDM_inst[1], Channel[3]);
  PlaySound(QRDM_inst[1], Channel[19]);
  const int32_t c3 = Channel[3], c19 = Channel[19], c20 = Channel[20], c21 = Channel[21];
  testbackend::ClearAudioCalls();
  QRDM_Playing = 1;
  QRDM_Stop();
  EXPECT_EQ(QRDM_Playing, 0);
  for (size_t slot = 0; slot < 20; ++slot) EXPECT_EQ(Channel[slot], 0) << slot;
  EXPECT_EQ(Channel[20], c20);
  EXPECT_EQ(Channel[21], c21);
  std::vector<int> stopped;
  for (const auto& c : testbackend::AudioCalls()) {
    if (c.op == "StopChannel") stopped.push_back(c.a);
  }
  EXPECT_EQ(stopped, (std::vector<int>{c3, c19}));
  EXPECT_EQ(ChannelPlaying(c3), 0);

  // With nothing playing it still clears the slots.
  Channel[4] = 9999;
  QRDM_Stop();
  EXPECT_EQ(Channel[4], 0);
}

TEST_F(MusicTest, PanSetsTheWidthUnclamped) {
  QRDM_Pan(-2.5f);
  EXPECT_FLOAT_EQ(QRDM_StereoSeperation, -2.5f);
  QRDM_Pan(0.0f);
  EXPECT_FLOAT_EQ(QRDM_StereoSeperation, 0.0f);
}

}  // namespace
