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

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/list.h"
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

using testutil::WriteBytes;

// A tenth of a second of sound.
inline void WriteWav(const std::string& path) { testutil::WriteWav(path, 2205); }

// A player alone in `objects`, and a level that is its empty room (as the
// level reader makes it: styles 1 and 2, top backdrop 1) and, when asked, one
// room of the same look at 0,0; returns that room, or null.
inline std::shared_ptr<layout> FreshLevel(bool withRoom) {
  pla = std::make_shared<ect>();
  ClearList(objects);
  ListAddLast(objects, pla);
  ClearList(rooms);
  EmptyRoom = std::make_shared<layout>();
  EmptyRoom->StyleTop = 1;
  EmptyRoom->StyleBot = 2;
  EmptyRoom->BGTop = 1;
  ListAddLast(rooms, EmptyRoom);
  ThisRoom = EmptyRoom;
  if (!withRoom) return nullptr;
  auto room = std::make_shared<layout>();
  room->StyleTop = 1;
  room->StyleBot = 2;
  room->BGTop = 1;
  ListAddLast(rooms, room);
  ThisRoom = room;
  return room;
}

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    testutil::QuietPumpServices("the game");
    PumpServices().saveScreenshot = [] {};
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
    testutil::OpenTestScreen();
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
