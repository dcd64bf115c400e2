// The player reads the cell under it and the held controls move it, make it crouch, turn, walk, jump, climb and fire.
#pragma once

#include <cstdint>

// Controls of player 1 that the player section reads.
constexpr int32_t kControlUp = 0;
constexpr int32_t kControlLeft = 3;
constexpr int32_t kControlRight = 5;
constexpr int32_t kControlDown = 8;
constexpr int32_t kControlFire = 10;
constexpr int32_t kControlJump = 11;

// The player's stances (`anim`).
constexpr int32_t kStanceStand = 0;
constexpr int32_t kStanceWalk = 1;
constexpr int32_t kStanceAir = 3;
constexpr int32_t kStanceCrouch = 5;

// What the ground under the player is this frame, each exactly 0 or 1:
// taken by PlayerCell, read by the jump and climb starts of PlayerMove.
extern int32_t holehere;
extern int32_t climbhere;

// The cell under the player into `Here`, with hole edges told apart, and
// its tile tests; every frame, whatever the state of play.
void PlayerCell();
// The player's controls while no room title is typed and the level is
// still played; true when the fire control fired in this frame.
bool PlayerMove();
