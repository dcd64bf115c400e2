// The editor's palette of placeable items along the bottom of the screen.
#pragma once

void EditPalette();
