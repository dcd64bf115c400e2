// Shared set-up of the level tests: a fresh levels folder per test, the kind
// table, and byte-exact file helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "level/level_file.h"
#include "level/play_globals.h"
#include "level/records.h"
#include "level/rooms.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace leveltest {

// The golden files lie beside this header.
inline std::string GoldenPath(const std::string& name) {
  if (const char* src = std::getenv("DUSKMOOR_SOURCE_DIR")) return std::string(src) + "/tests/level/golden/" + name;
  return (std::filesystem::path(__FILE__).parent_path() / "golden" / name).string();
}

using testutil::ReadBytes;
using testutil::WriteBytes;

// Every test gets its own empty levels folder and a freshly built kind table.
class LevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    MakeObjectKinds();
    dir_ = std::filesystem::temp_directory_path() /
           ("duskmoor-level-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    Paths.levels = dir_.string() + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string LevelPath(const std::string& name) const { return Paths.levels + name; }
  void PutLevel(const std::string& name, const std::string& bytes) const { WriteBytes(LevelPath(name), bytes); }
  std::string LevelBytes(const std::string& name) const { return ReadBytes(LevelPath(name)); }

  // Rooms as read, after the empty room.
  std::vector<std::shared_ptr<layout>> FileRooms() const {
    auto all = rooms.ToVector();
    if (!all.empty()) all.erase(all.begin());
    return all;
  }

  std::filesystem::path dir_;
};

// The header of the example level "cave.xml".
inline std::shared_ptr<game> CaveHeader() {
  auto g = std::make_shared<game>();
  g->name = "My Level.xml";
  g->Title = "xx - Your Level";
  g->author = "You";
  g->SX = g->SY = g->EX = g->EY = 100;
  g->Story[1] = "Find the cross below the cave.";
  g->store = 1;
  return g;
}

}  // namespace leveltest
