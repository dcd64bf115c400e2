#include "game/editor_palette.h"

#include <cstdint>

#include "framework/draw.h"
#include "framework/utils.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

constexpr int32_t kLastCode = 300;
constexpr int32_t kTerrainBelow = 90;
constexpr int32_t kFirstPickup = 96, kFirstCreature = 160;
constexpr int32_t kPaletteStyle = 2;

}  // namespace

// A press held over a tile selects it in every frame; the palette does not
// wait for a fresh press.
void EditPalette() {
  int32_t slot = 0;
  const int32_t top = playstate.basey;
  for (int32_t code = 0; code <= kLastCode; ++code) {
    // An empty slot before the pickups and one before the creatures.
    if (code == kFirstPickup || code == kFirstCreature) ++slot;
    if (OBJN[code].empty()) continue;
    ++slot;
    const int32_t left = playstate.basex + 32 + 24 * slot;
    const int32_t raised = playstate.edititem == code ? 20 : 0;
    SetSize(1.0f);
    SetCol(0, 0, 80, 1.0f);
    if (raised != 0) SetCol(0, 80, 0, 1.0f);
    DrawRect(static_cast<float>(left), static_cast<float>(top + 726 - raised), 16.0f, 128.0f);
    SetCol(255, 255, 255, 1.0f);
    SetSize(2.0f);
    if (code < kTerrainBelow) drawimg(BG_bit[kPaletteStyle], left, top + 726 - raised, code, kDrawMain);
    if (code > kTerrainBelow) drawimg(gfx, left, top + 758 - raised, code, kDrawMain);
    if (Mousein(left, top + 734, 16, 124) != 0 && MouseDown(1) != 0) playstate.edititem = code;
  }
}
