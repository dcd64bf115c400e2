// The editor's style and background selectors for both halves of the room.
#pragma once

void EditStyle();
