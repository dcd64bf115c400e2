// The editor's palette of placeable items.
#pragma once

void EditPalette();
