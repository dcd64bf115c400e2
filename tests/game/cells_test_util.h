// Shared set-up of the frame start, cell pass, live cell and pickup tests: a
// room to pass with known pictures (every sprite frame solid), a player
// record, numbered sound effects that can be told apart, and readers for the
// images drawn and the effects played.
#pragma once

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/draw.h"
#include "framework/globals.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game_test_util.h"
#include "level/rooms.h"
#include "platform/audio.h"
#include "platform/list.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"

namespace cellstest {

using testgraphics::DrawRecord;
using testgraphics::Op;

// One image drawn: its picture, frame and top-left corner on the virtual screen.
struct Drawn {
  int image;
  int frame;
  long left;
  long top;
  bool operator==(const Drawn&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Drawn& d) {
  return os << "{img " << d.image << " frame " << d.frame << " at " << d.left << "," << d.top << "}";
}

// One sound effect started: its number and rate.
struct Played {
  int number;
  float rate;
  bool operator==(const Played&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Played& p) {
  return os << "{sfx " << p.number << " rate " << p.rate << "}";
}

// An image of `count` frames of w x h, every pixel opaque white.
inline int SolidFrames(int w, int h, int count) {
  const int img = testgraphics::MakeImage(w, h * count, std::vector<uint32_t>(size_t(w) * h * count, 0xFFFFFFFFu),
                                          w, h, 0, count);
  MidHandleImage(img);
  return img;
}

class CellTest : public gametest::GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    DrawMax[kDrawMain] = 1000;
    DrawCount.fill(0);
    Options[7] = 0;
    mx = my = -1;  // the pointer off the room: no editor preview
    Options[11] = Options[12] = 100;
    LChan = kFirstEffectSlotForTests;
    gfx = SolidFrames(8, 16, 512);
    for (int style : {1, 2}) {
      BG[style] = SolidFrames(160, 64, 2);
      BG_bit[style] = SolidFrames(8, 64, 80);
    }
    gametest::WriteWav(root_.string() + "/fx.wav");
    for (int number : {1, 2, 10, 11, 12, 13}) {
      sfx[number] = LoadSound(root_.string() + "/fx.wav");
      soundNumber[sfx[number]] = number;
    }
    room = NewBlankRoom();
    ClearList(rooms);
    ListAddLast(rooms, room);
    EmptyRoom = room;
    ThisRoom = room;
    pla = std::make_shared<ect>();
    pla->x = 20;
    pla->layer = 2;
    pla->health = 100;
    pla->d = 1;
    for (int slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    ClearList(objects);
    ListAddLast(objects, pla);
    playstate = PlayState{};
    playstate.zoom = playstate.zoomto = 7.0f;
    SetSize(7.0f);  // the scale the frame start sets for the cell pass
    leveltick = 1;
    endoflevel = 0;
    editmode = 0;
    testgraphics::ClearDraws();
    testbackend::ClearAudioCalls();
  }

  // A code in both the live and the editor cells.
  void Put(int half, int layer, int column, int32_t code) {
    room->obj[RoomCell(half, layer, column)] = code;
    room->objEdit[RoomCell(half, layer, column)] = code;
  }
  int32_t Live(int half, int layer, int column) const { return room->obj[RoomCell(half, layer, column)]; }

  // Where the cell pass draws a sprite of column `column`, half `half`.
  static int SpriteLeft(int column) {
    return static_cast<int>(playstate.viewx + column * 8 * static_cast<double>(playstate.zoom));
  }
  static int SpriteTop(int half) {
    const double zoom = playstate.zoom;
    return static_cast<int>(half * 64 * zoom + playstate.viewy + 43 * zoom);
  }
  // The player as last drawn stands exactly on the sprite of that cell,
  // within reach of it in the player record.
  void PlayerOn(int half, int column) {
    pla->layer = (half + 1) * 2;
    pla->x = column * 8 + 4;
    playstate.plascreenx = SpriteLeft(column);
    playstate.plascreeny = SpriteTop(half);
    playstate.plaframe = 1;
  }
  // The player far from every cell's picture, but in reach in the record.
  void PlayerUnseen() { playstate.plascreenx = playstate.plascreeny = -5000; }

  // Images drawn since the last clear, top-left corners as drawimg was given them.
  static std::vector<Drawn> Images() {
    std::vector<Drawn> out;
    for (const DrawRecord& d : testgraphics::DrawsOf(Op::Image)) {
      out.push_back({d.image, d.frame, std::lround(d.x - d.w * d.scale_x / 2), std::lround(d.y - d.h * d.scale_y / 2)});
    }
    return out;
  }
  static std::vector<DrawRecord> ImageRecords() { return testgraphics::DrawsOf(Op::Image); }
  // Sound effects started since the last clear, in order.
  std::vector<Played> Sounds() const {
    std::vector<Played> out;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op == "CueSound") out.push_back({soundNumber.at(call.a), 0.0f});
      if (call.op == "SetChannelRate" && !out.empty()) out.back().rate = call.f;
    }
    return out;
  }
  void ClearRecords() {
    testgraphics::ClearDraws();
    testbackend::ClearAudioCalls();
  }

  static constexpr int kFirstEffectSlotForTests = 20;
  std::shared_ptr<layout> room;
  std::map<int, int> soundNumber;
};

}  // namespace cellstest
