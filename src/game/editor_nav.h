// The editor's navigation panel: room buttons, room coordinates and layer buttons.
#pragma once

// The click latch, then the panel while the overview is on; true when
// the editor panels are shown in this frame.
bool EditNav();
