#include "game/editor_style.h"

#include <string>

#include "framework/draw.h"
#include "framework/utils.h"
#include "game/editor_nav.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "startup/globals.h"

namespace {

enum class Field { kStyleTop, kBGTop, kStyleBot, kBGBot };

int32_t& FieldOf(layout& room, Field field) {
  switch (field) {
    case Field::kStyleTop: return room.StyleTop;
    case Field::kBGTop: return room.BGTop;
    case Field::kStyleBot: return room.StyleBot;
    case Field::kBGBot: return room.BGBot;
  }
  return room.StyleTop;
}

bool IsStyle(Field field) { return field == Field::kStyleTop || field == Field::kStyleBot; }

// One selector row: a label over an invisible click box, acting once per
// press; the room is made first where none stands, so nothing is written
// into the shared empty room.
void Selector(int32_t row, Field field) {
  n = row;
  PanelDefaultColour();
  if (playstate.editlayer == row - 1) PanelCurrentColour();
  const int32_t top = PanelRowTop(row);
  const int32_t left = playstate.basex;
  if (Mousein(left + 10, top, playstate.barwidth - 10, 28) != 0) {
    PanelHoverColour();
    if (playstate.clicklatch == 1) {
      AddaRoom();
      playstate.clicklatch = 2;
      int32_t& value = FieldOf(*ThisRoom, field);
      value = IsStyle(field) ? NextStyle(value, styles) : OtherBackdrop(value);
      playstate.unsaved = 1;
    }
  }
  const std::string word = IsStyle(field) ? "Style " : "Background ";
  Text(left + playstate.barwidth - 10, top, word + std::to_string(FieldOf(*ThisRoom, field)), 2, 0);
}

}  // namespace

int32_t NextStyle(int32_t style, int32_t count) {
  if (count <= 0) return style;
  return style % count + 1;
}

int32_t OtherBackdrop(int32_t frame) { return frame == 1 ? 0 : 1; }

void EditStyle() {
  Selector(1, Field::kStyleTop);
  Selector(2, Field::kBGTop);
  Selector(3, Field::kStyleBot);
  Selector(4, Field::kBGBot);
  n = 0;
}
