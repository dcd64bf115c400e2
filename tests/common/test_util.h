// Helpers shared by the test folders: whole files as bytes, the debug log's
// lines, a short sound file, and frame pump services that stay inside the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/pump.h"
#include "platform/graphics.h"
#include "startup/globals.h"

namespace testutil {

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The lines of a text whose lines end in CR LF; an unfinished last line is
// left out.
inline std::vector<std::string> CrlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(line);
      line.clear();
      ++i;
    } else {
      line += text[i];
    }
  }
  return lines;
}

// A 16-bit mono WAV of `samples` samples at 22050 Hz, a quiet saw tooth.
inline void WriteWav(const std::string& path, int samples) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t data = static_cast<uint32_t>(samples) * 2;
  f.write("RIFF", 4);
  u32(36 + data);
  f.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(22050);
  u32(44100);
  u16(2);
  u16(16);
  f.write("data", 4);
  u32(data);
  for (int i = 0; i < samples; ++i) u16(static_cast<uint16_t>((i % 50) * 400));
}

// A path in the temporary folder that only this process writes: ctest runs
// every case as its own process, many at once.
inline std::string OwnTempPath(const std::string& name) {
  return ::testing::TempDir() + std::to_string(::getpid()) + "-" + name;
}

// Frame pump services without the score panel, the settings file and the
// options overlay; a try to end the program fails the test, naming `who`.
inline void QuietPumpServices(const std::string& who) {
  ResetPumpServices();
  PumpServices().drawScores = [] {};
  PumpServices().saveIni = [] {};
  PumpServices().option = [] {};
  PumpServices().finish = [who] { FAIL() << who << " tried to end the program"; };
}

// An 800x600 window showing the game's 1280x960 virtual screen.
inline void OpenTestScreen() {
  Graphics(800, 600, 0, 60, 0);
  SetVirtualResolution(1280, 960);
  JScrw = 1280;
  JScrh = 960;
}

}  // namespace testutil
