// The room's title under the view, typed in place when the player clicks it.
#pragma once

void Caption();
