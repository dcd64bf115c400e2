// Entering and adding rooms.
#pragma once

#include <cstdint>
#include <memory>

#include "level/records.h"

// The room the player is in; only `MyRoom` sets it.
extern std::shared_ptr<layout> ThisRoom;
// The first room of every level: stands for every grid position without a room.
extern std::shared_ptr<layout> EmptyRoom;

// A fresh room with the look of the empty room: styles 1 and 2, backdrops 1 and 0.
std::shared_ptr<layout> NewBlankRoom();

// Enters the room at the player's grid position: `objects` keeps only `pla`,
// and the room's creature cells become moving things.
void MyRoom();
// Gives the player's grid position a room of its own when it has none.
void AddaRoom();
// Hooks the editor calls; they do nothing.
void Remove(int32_t half, int32_t layer, int32_t column);
void Convert();
