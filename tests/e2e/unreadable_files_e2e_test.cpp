// The real game with a score history and a settings file it may not read
// (mode 000), and with a level and a settings file too large to read: a whole
// run, from the start to the farewell screen, leaves each as it was, and its
// log names each.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

// An unprivileged user for the run: permissions do not bind the superuser,
// as whom the tests may run.
constexpr uid_t kPlayer = 65534;

// Starts the game of `root` as the unprivileged user; 0 when it could not be
// started.
pid_t StartGameAsPlayer(const fs::path& root) {
  const std::string binary = (root / "duskmoor2").string();
  std::string args[] = {"setpriv", "--reuid=" + std::to_string(kPlayer), "--regid=" + std::to_string(kPlayer),
                        "--clear-groups", "--", binary};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                  args[5].data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "setpriv", nullptr, nullptr, argv, environ) != 0) return 0;
  StartedGames().push_back(pid);
  return pid;
}

class UnreadableFilesEndToEnd : public GameRun {};

TEST_F(UnreadableFilesEndToEnd, ScoresAndSettingsTheGameMayNotReadOutliveARun) {
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "map.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "unreadable_e2e");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const fs::path scores = files / "256" / "scores.dat";
  const fs::path setup = files / "Setup.ini";
  std::string best = "0";
  for (int k = 2; k <= 30; ++k) best += "|" + std::to_string(k);
  const std::string history =
      "871|Ann|5|65150126130|0|2|0|1\r\n" + best + "\r\n" + "40|Bo|0|65150126100|0|0|0|0\r\n" + best + "\r\n";
  const std::string settings =
      "[Audio]\r\nMaster = 90\r\nSound = 20\r\nMusic = 10\r\n[Controls]\r\nKey=10,65\r\nKey=11,66\r\n";
  {
    std::ofstream(scores, std::ios::binary) << history;
    std::ofstream(setup, std::ios::binary) << settings;
  }
  chmod(scores.c_str(), 0);
  chmod(setup.c_str(), 0);

  pid_t pid = 0;
  if (geteuid() == 0) {
    // The player owns the game's folders, so it can write its log there.
    ASSERT_EQ(lchown(root.c_str(), kPlayer, kPlayer), 0);
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      ASSERT_EQ(lchown(e.path().c_str(), kPlayer, kPlayer), 0) << e.path();
    }
    pid = StartGameAsPlayer(root);
  } else {
    pid = StartGame(root);
  }
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));

  const std::string text = ReadAll(log);
  EXPECT_NE(text.find("\tSetup.ini could not be read (Permission denied): it will not be written in this run\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\t256/scores.dat could not be read (Permission denied): it will not be written in this run\r\n"),
            std::string::npos)
      << text;
  chmod(scores.c_str(), 0644);
  chmod(setup.c_str(), 0644);
  EXPECT_EQ(ReadAll(scores), history);
  EXPECT_EQ(ReadAll(setup), settings);
  EXPECT_FALSE(fs::exists(scores.string() + ".tmp"));
  EXPECT_FALSE(fs::exists(setup.string() + ".tmp"));
  fs::remove_all(root);
}

// A level and a settings file of 20 MB each: neither is read, the title
// screen lists the other levels and walks through them, and the run ends
// as any other.
TEST_F(UnreadableFilesEndToEnd, ALevelAndSettingsTooLargeToReadAreLeftAsTheyAre) {
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "map.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "too_large_e2e");
  const fs::path log = root / "Files" / "Debug.txt";
  const fs::path setup = root / "Files" / "Setup.ini";
  const fs::path level = root / "DuskmoorII_Levels" / "00 - Huge.xml";
  constexpr uintmax_t kSize = uintmax_t{20} << 20;
  {
    // Room lines, each of which would be a whole room in memory.
    std::ofstream out(level, std::ios::binary);
    out << "<title>00 - Huge</title>\r\n";
    std::string block;
    while (block.size() < 1 << 20) block += "<room>\r\n";
    for (int i = 0; i < 20; ++i) out << block;
  }
  fs::resize_file(level, kSize);
  {
    // Blank lines, each of which took a line's room in memory.
    const std::string settings = "[Audio]\r\nMaster = 90\r\n";
    std::ofstream out(setup, std::ios::binary);
    out << settings << std::string(kSize - settings.size(), '\n');
  }

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  for (unsigned long key : {kUp, kUp, kDown}) {
    ASSERT_TRUE(input.Tap(key));
    ASSERT_TRUE(input.WaitFrames(kFramesPerAction));
  }
  ASSERT_TRUE(Running(pid));
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));

  const std::string text = ReadAll(log);
  const std::string size = std::to_string(kSize);
  EXPECT_NE(text.find("\tSetup.ini is too large (" + size + " bytes, the settings file holds at most 1048576): the "
                      "defaults are used, and it will not be written in this run\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\tDuskmoorII_Levels/00 - Huge.xml is too large (" + size +
                      " bytes, a level holds at most 1048576): it is left out of the list\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(fs::file_size(setup), kSize);
  EXPECT_EQ(fs::file_size(level), kSize);
  EXPECT_FALSE(fs::exists(setup.string() + ".tmp"));
  fs::remove_all(root);
}

}  // namespace
