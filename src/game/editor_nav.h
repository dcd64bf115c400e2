// The editor's navigation panel: the room's grid position, buttons to the neighbouring rooms and the layer buttons.
#pragma once

#include <cstdint>

// The panel's colours: labels are white, yellow for the current choice and
// cyan under the pointer.
void PanelDefaultColour();
void PanelCurrentColour();
void PanelHoverColour();
// Top edge of panel row n (1..4), the quarters of the room view beside
// which the layer buttons and the appearance selectors stand.
int32_t PanelRowTop(int32_t row);

// The click latch, every frame; then, while the overview is on, the panel.
// True when the editor panels are shown in this frame.
bool EditNav();
