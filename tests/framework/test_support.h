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

#include <filesystem>
#include <unistd.h>
#include <string>

#include "common/test_util.h"

// Writes a 16-bit mono WAV of `samples` samples at 22050 Hz into the test's
// temporary folder and returns its path.
inline std::string WriteTestWav(const std::string& name, int samples) {
  // One file per process: ctest runs cases in parallel.
  const std::string path =
      (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
  testutil::WriteWav(path, samples);
  return path;
}
