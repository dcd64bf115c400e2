// Shared set-up of the game tests: a fresh game folder and levels folder per
// test, pictures written as PNG files, and a frame pump whose services stay
// inside the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <unistd.h>

#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace gametest {

namespace fs = std::filesystem;

// A w x h picture of opaque grey pixels at `path`.
inline void WritePng(const std::string& path, int w, int h) {
  const int pm = CreatePixmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) WritePixel(pm, x, y, 0xFF808080u);
  ASSERT_EQ(SavePixmapPNG(pm, path, 1), 1) << path;
  FreePixmap(pm);
}

inline void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A short 16-bit mono WAV.
inline void WriteWav(const std::string& path) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  const int samples = 2205;
  f.write("RIFF", 4);
  u32(36 + samples * 2);
  f.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(22050);
  u32(44100);
  u16(2);
  u16(16);
  f.write("data", 4);
  u32(samples * 2);
  for (int i = 0; i < samples; ++i) u16(static_cast<uint16_t>((i % 50) * 400));
}

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    ResetPumpServices();
    PumpServices().drawScores = [] {};
    PumpServices().saveIni = [] {};
    PumpServices().saveScreenshot = [] {};
    PumpServices().option = [] {};
    PumpServices().finish = [] { FAIL() << "the game tried to end the program"; };
    PumpServices().musicStep = [this] {
      ++frames_;
      if (everyFrame) everyFrame();
    };
    MakeObjectKinds();
    root_ = fs::temp_directory_path() / ("duskmoor-game-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    ResolvePaths(root_.string());
    fs::create_directories(Paths.game);
    fs::create_directories(Paths.levels);
    Graphics(800, 600, 0, 60, 0);
    SetVirtualResolution(1280, 960);
    JScrw = 1280;
    JScrh = 960;
    UseFPS = 60;
  }
  void TearDown() override {
    ResetPumpServices();
    fs::remove_all(root_);
  }

  // Frames that reached the frame pump since the test began.
  int frames_ = 0;
  // Run inside every frame pump call, after the frame's own work.
  std::function<void()> everyFrame;
  fs::path root_;
};

}  // namespace gametest
