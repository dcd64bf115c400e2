// Shared set-up of the music generator's tests: a fresh game folder with a
// "music/" folder per test, rule files and instrument samples written into it,
// and a reference copy of the shared random generator's exact sequence.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "music/generator.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"

namespace musictest {

namespace fs = std::filesystem;

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    root_ = fs::temp_directory_path() / ("duskmoor-music-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "music");
    Paths.game = root_.string() + "/";
    Options[11] = 50;
    Options[13] = 50;
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Music(const std::string& name) const { return Paths.game + "music/" + name; }
  // A short sample in the music folder.
  void PutSample(const std::string& name) const { testutil::WriteWav(Music(name), 2205); }
  // A rule file "music/<name>.ini" with these lines, each ended by LF.
  void PutRules(const std::string& name, const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    testutil::WriteBytes(Music(name + ".ini"), text);
  }
  // Every sample file of the music folder.
  void PutAllSamples() const {
    for (int n = 1; n <= 8; ++n) {
      for (const char* kind : {"d1-", "d2-", "bass", "lead", "accompany"}) PutSample(kind + std::to_string(n) + ".wav");
    }
  }

  fs::path root_;
};

// The shared generator as the game defines it, written out again here so that
// the tests check the generator's draws against an independent copy:
// state * 48271 mod (2^31 - 1); a double takes two steps.
class RefRandom {
 public:
  explicit RefRandom(int32_t seed) {
    state_ = seed & 0x7FFFFFFF;
    if (state_ == 0 || state_ == 0x7FFFFFFF) state_ = 4660;
  }
  int32_t Rand(int32_t lo, int32_t hi) {
    const int64_t s1 = Step(), s2 = Step();
    const double x = (static_cast<double>(s1 & 536870908) + static_cast<double>(s2 & 536870904) / 134217728.0) / 536870912.0;
    const int64_t r = static_cast<int64_t>(hi) - lo;
    if (r > 0) return static_cast<int32_t>(lo + static_cast<int64_t>(x * static_cast<double>(r + 1)));
    return static_cast<int32_t>(hi + static_cast<int64_t>(x * static_cast<double>(1 - r)));
  }

 private:
  int64_t Step() {
    state_ = static_cast<int32_t>(static_cast<int64_t>(state_) * 48271 % 2147483647);
    return state_;
  }
  int32_t state_;
};

}  // namespace musictest
