// Shared set-up of the moving-thing tests: a room of the player's own, the
// player in `objects`, a sprite sheet of solid frames, numbered sound effects
// that can be told apart, and the player's controls on four keys.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/audio.h"
#include "platform/list.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace walktest {

constexpr int32_t BAT = 160, DOG = 162, BARREL = 164, SPIKEY = 166, BEAR = 168, SNAKE = 170, SPIKE = 172,
                  FLAME = 174, SPIKE2 = 176, SPIKE3 = 178;
constexpr int32_t WALL = 42, HOLE = 45, GRIP = 47, GATE = 48;
constexpr int kUpKey = 200, kLeftKey = 201, kRightKey = 202, kJumpKey = 203;
constexpr int32_t kLastEffect = 14;

// A sheet of 512 frames of 8 x 16; `solid` says which texels are opaque.
inline int32_t MakeSheet(const std::function<bool(int frame, int px, int py)>& solid) {
  constexpr int kAcross = 32, kDown = 16;
  std::vector<uint32_t> argb(kAcross * 8 * kDown * 16, 0);
  for (int f = 0; f < 512; ++f) {
    for (int py = 0; py < 16; ++py) {
      for (int px = 0; px < 8; ++px) {
        const int sx = (f % kAcross) * 8 + px, sy = (f / kAcross) * 16 + py;
        if (solid(f, px, py)) argb[sy * kAcross * 8 + sx] = 0xFFFFFFFFu;
      }
    }
  }
  const int img = testgraphics::MakeImage(kAcross * 8, kDown * 16, argb, 8, 16, 0, 512);
  MidHandleImage(img);
  return img;
}

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    testutil::OpenTestScreen();
    MakeObjectKinds();
    Options.fill(0);
    Options[11] = Options[12] = 100;
    DrawMax.fill(1000000);
    DrawCount.fill(0);
    KeyV.fill(0);
    KeyV[0] = kUpKey;
    KeyV[3] = kLeftKey;
    KeyV[5] = kRightKey;
    KeyV[11] = kJumpKey;
    sfx.fill(0);
    Channel.fill(0);
    LChan = 20;
    for (int32_t i = 1; i <= kLastEffect; ++i) {
      const std::string path = (std::filesystem::temp_directory_path() /
                                ("walk-" + std::to_string(::getpid()) + "-" + std::to_string(i) + ".wav"))
                                   .string();
      testutil::WriteWav(path, 2205);
      sfx[i] = LoadSound(path);
      std::filesystem::remove(path);
    }
    gfx = MakeSheet([](int, int, int) { return true; });

    ClearList(rooms);
    ClearList(objects);
    EmptyRoom = NewBlankRoom();
    ListAddLast(rooms, EmptyRoom);
    room = NewBlankRoom();
    ListAddLast(rooms, room);
    ThisRoom = room;

    playstate = PlayState{};
    playstate.zoom = playstate.zoomto = 7.0f;
    playstate.viewx = 0;
    playstate.viewy = 1;
    editmode = 0;
    endoflevel = 0;
    pla = std::make_shared<ect>();
    pla->x = 20;
    pla->layer = 2;
    pla->health = 100;
    ListAddLast(objects, pla);
    testbackend::ClearAudioCalls();
    testgraphics::ClearDraws();
  }

  // A creature as room entry makes it, appended behind the player.
  std::shared_ptr<ect> Creature(int32_t kind, int32_t xpos, int32_t layer = 2) {
    auto c = std::make_shared<ect>();
    c->t = kind;
    c->x = xpos;
    c->layer = layer;
    c->d = 1;
    const bool still = kind == SPIKEY || kind == SPIKE || kind == FLAME || kind == SPIKE2 || kind == SPIKE3;
    c->gx = still ? 0 : 1;
    c->tick = kind == BEAR ? 1 : 0;
    c->tickreset = kind == BEAR ? 2 : 0;
    c->oID = RoomCell(HalfOfLayer(layer), 0, xpos / 8);
    c->roomx = pla->roomx;
    c->roomy = pla->roomy;
    ListAddLast(objects, c);
    return c;
  }

  // A shot put at the front, as a turret or the fire control does.
  std::shared_ptr<ect> Shot(int32_t kind, int32_t xpos, int32_t dir, int32_t layer = 2) {
    auto s = std::make_shared<ect>();
    s->t = kind;
    s->x = xpos;
    s->layer = layer;
    s->d = dir;
    s->gx = (kind == 70 ? 4 : 2) * dir;
    s->roomx = pla->roomx;
    s->roomy = pla->roomy;
    ListAddFirst(objects, s);
    return s;
  }

  // Cells of the current room, on one layer of one half.
  void Cells(int32_t half, int32_t layer, std::vector<int32_t> columns, int32_t code) {
    for (int32_t c : columns) ThisRoom->obj[RoomCell(half, layer, c)] = code;
  }

  // Numbers of the sound effects started since the last call, in order.
  std::vector<int32_t> Effects() {
    std::vector<int32_t> out;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op != "CueSound") continue;
      for (int32_t i = 1; i <= kLastEffect; ++i)
        if (sfx[i] == call.a) out.push_back(i);
    }
    testbackend::ClearAudioCalls();
    return out;
  }

  // The records of `objects`, in order.
  static std::vector<std::shared_ptr<ect>> Things() { return objects.ToVector(); }

  // The frame head's room entry, as the frame start serves a request.
  static void EnterIfAsked() {
    if (playstate.newroom == 0) return;
    MyRoom();
    playstate.newroom = 0;
  }

  std::shared_ptr<layout> room;
};

}  // namespace walktest
