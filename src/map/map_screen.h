// The map screen before each level: the level's map fades in, its title,
// author and story rise over it, and it fades out again when the story has
// passed with the buggy arrived, or when player 1 presses fire.
#pragma once

#include <cstdint>
#include <memory>

#include "level/records.h"

// The screen's own state, made afresh at every entry.
struct MapScreenState {
  int32_t mapDone = 0;      // the fade-out is complete; the loop ends
  int32_t startLatch = 1;   // fire has not yet been seen up on this screen
  int32_t fadeTick = -60;   // -60..-1 fading in, 0 shown, 1..60 fading out
  float fadeAlpha = 0.0f;   // fade of this frame, 0..1
  int32_t glowTick = -1000; // brightens the second map picture in
  float scrollY = 0.0f;     // centre line of the title; rises 0.5 a frame
  float buggyX = 0.0f;      // buggy position, screen pixels from the map origin
  float buggyY = 0.0f;
  float buggyAngle = 128.0f;  // heading, clockwise from straight up
  float wayX = 0.0f;        // the waypoint the buggy heads for
  float wayY = 0.0f;
  int32_t wayCount = 0;
  int32_t trailTick = 32;
  int32_t arrived = 0;      // the buggy has reached the level's end point
  int32_t mapLeft = 0;      // map origin on the screen
  int32_t mapTop = 0;
};
extern MapScreenState mapstate;

// Music volume factor of the map screen, faded with the screen.
extern float fvf;
// Alpha factor of the text line being drawn; kept from frame to frame and
// from screen to screen, so the title fades with the last story line.
extern float fff;
// The trail dot being drawn, or the one just dropped.
extern std::shared_ptr<ve> dri;

// Shows the map screen for Uselevel and returns once it has faded out, with
// the map music stopped: 99 when the player chose Quit in the pause menu
// opened on this screen, else 0.
int32_t DoTheMap();
