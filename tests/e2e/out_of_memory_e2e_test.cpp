// The real game when memory runs out where it cannot do without it: a font
// too large for the memory left, read as the display starts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kSetup =
    "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n\r\n[Audio]\r\n"
    "Master = 50\r\nSound = 50\r\nMusic = 0\r\n";

TEST(OutOfMemoryEndToEnd, AFontTooLargeForTheMemoryLeftEndsTheRunWithOneLineAndStatusOne) {
  const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(game_env, nullptr);
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
  const fs::path root = CopyGame(game_env, "oom");
  const fs::path files = root / "Files";
  const fs::path err = fs::temp_directory_path() / ("duskmoor_oom_err_" + std::to_string(getpid()));
  WriteAll(files / "256" / "scores.dat", kScores);
  WriteAll(files / "Setup.ini", kSetup);
  // 64 MiB that the font reader asks for in one piece; nothing else the
  // game asks for comes near half of it.
  const fs::path font = files / "Common" / "DejaVuSansCondensed-Bold.ttf";
  fs::remove(font);
  std::ofstream(font).close();
  fs::resize_file(font, 64u << 20);
  const char* asan = std::getenv("ASAN_OPTIONS");
  // The sanitizers' run-time would refuse a library loaded ahead of it.
  const std::string asan_options = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
  const pid_t pid = StartGame(root, {},
                              {"ASAN_OPTIONS=" + asan_options, std::string("LD_PRELOAD=") + NEW_LIMIT_LIB,
                               "DUSKMOOR_NEW_LIMIT=" + std::to_string(32u << 20)},
                              err);
  ASSERT_NE(pid, 0);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 1);
  // Among whatever the libraries print, the game's one line.
  const std::string said = ReadAll(err);
  fs::remove(err);
  const std::string line = "Duskmoor II ran out of memory\n";
  const size_t at = said.find(line);
  EXPECT_NE(at, std::string::npos) << said;
  EXPECT_TRUE(at == std::string::npos || at == 0 || said[at - 1] == '\n') << said;
  EXPECT_EQ(Count(said, "ran out of memory"), 1u) << said;
  const std::string log = ReadAll(files / "Debug.txt");
  EXPECT_NE(log.find("\tDefault Fonts\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nDuskmoor II ran out of memory\r\n"), std::string::npos) << log;
  // The history was not read yet: neither file is written.
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
  EXPECT_FALSE(fs::exists(files / "Setup.ini.tmp"));
  EXPECT_FALSE(fs::exists(files / "256" / "scores.dat.tmp"));
  fs::remove_all(root);
}

}  // namespace
