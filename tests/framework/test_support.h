// Helpers shared by the framework tests.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/test/test_graphics.h"

// A w x h image of opaque white pixels with `frames` frames side by side.
inline int MakeTestImage(int w, int h, int frames = 1) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h * frames, 0xFFFFFFFFu);
  return testgraphics::MakeImage(w * frames, h, px, w, h, 0, frames);
}

#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>

// Writes a 16-bit mono WAV of `samples` samples at 22050 Hz into the test's
// temporary folder and returns its path.
inline std::string WriteTestWav(const std::string& name, int samples) {
  // One file per process: ctest runs cases in parallel.
  const std::string path =
      (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  const uint32_t data = static_cast<uint32_t>(samples) * 2;
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(1);
  u32(22050);
  u32(44100);
  u16(2);
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(data);
  for (int i = 0; i < samples; ++i) u16(static_cast<uint16_t>((i % 50) * 400));
  std::fclose(f);
  return path;
}
