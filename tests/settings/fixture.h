// A fresh game folder tree in a temporary directory, the debug log open in it
// and the global settings at their start values.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "platform/files.h"
#include "platform/test/test_backend.h"
#include "scores/history.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

class GameFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    root_ = std::filesystem::temp_directory_path() /
            ("duskmoor_settings_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Files" / "256");
    std::filesystem::create_directories(root_ / "Files" / "Common");
    ResolvePaths(root_.string());
    CreateSettingsTables();
    SetDefaultControls();
    OpenDebugLog(Paths.data + "Debug.txt");
  }
  void TearDown() override {
    CloseDebugLog();
    testutil::EndFileFaults();
    std::filesystem::remove_all(root_);
  }

 public:
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  }
  // The log's lines so far, without their CR LF.
  static std::vector<std::string> LogLines() {
    const std::string text = ReadBytes(Paths.data + "Debug.txt");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(text.substr(start));
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

 protected:
  std::filesystem::path root_;
};
