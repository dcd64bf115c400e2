// The state of a game in progress: the player, the editor switch, the level
// clock, the score and level-end globals, and `playstate`, the working state
// that the sections of the game loop share from the set-up of a game to its
// end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "level/records.h"

// The player's record; in `objects` from the game's set-up on.
extern std::shared_ptr<ect> pla;
// 1 while the player's own level is played with the editor.
extern int32_t editmode;
// The level's frame counter, 0..239.
extern int32_t leveltick;
// The game's score; the frame loop copies the player's score into it after
// every frame.
extern int32_t score;
// 0 playing, 1 level complete, 2 player dead.
extern int32_t endoflevel;
// Frames of the level-end screen; it moves on at 120.
extern int32_t endotick;
// Scratch counter shared by the game loop's routines; room entry leaves it alone.
extern int32_t n;
// The cell pass's column (0..22), half (0 top, 1 bottom) and the code of the
// cell being handled; other sections reuse them as counters of their own and
// set them before use.
extern int32_t x;
extern int32_t y;
extern int32_t u;
// Shared line height: the room title box's, and the map screen's line
// spacing, whose author line reads it before the story sets it.
extern int32_t h;
// Shared scratch text; the level-end banner's headline.
extern std::string txt;
// The moving thing whose turn it is in the object walk; also the record a
// turret or the player's fire control has just made.
extern std::shared_ptr<ect> obj;

// The kind code the editor places when a game starts.
constexpr int32_t kStartEditItem = 42;  // WALL
// The zoom of the playing view.
constexpr float kPlayZoom = 7.0f;

// The working state of one game, shared by the sections of the frame loop.
struct PlayState {
  float zoom = 0.0f;        // scale of the room view; eases toward zoomto
  float zoomto = 0.0f;      // 7.0 playing view, 4.0 editor overview
  int32_t overview = 0;     // editor overview on
  int32_t basex = 0;        // x offset of the room view, set by the heads-up display
  int32_t basey = 0;        // y offset of the room view
  int32_t viewx = 0;        // screen x of the room's left edge, set every frame
  int32_t viewy = 0;        // screen y of the room's top edge
  int32_t newroom = 0;      // enter the player's room at the next frame head
  int32_t titleedit = 0;    // the room title is being typed
  int32_t editlayer = 0;    // editor's current layer, 0..3
  int32_t halfstyle = 0;    // style of the half the cell pass is in
  int32_t celllayer = 0;    // layer the cell pass is in
  int32_t edititem = 0;     // kind code the editor places
  int32_t unsaved = 0;      // the player's level was edited since the last save
  int32_t clicklatch = 0;   // editor panel click: 0 up, 1 pressed, 2 used
  int32_t hanging = 0;      // the player has caught a grip
  int32_t spent = 0;        // the thing whose turn it is leaves `objects`
  int32_t drawframe = 0;    // sprite frame of the thing being animated
  int32_t objscrx = 0;      // screen position of that thing's frame
  int32_t objscry = 0;
  int32_t plascreenx = 0;   // where the player was last drawn
  int32_t plascreeny = 0;
  int32_t plaframe = 0;     // the frame it was drawn with
  int32_t freeslot = 0;     // inv slot for the next key, -1 when none is free
  int32_t firekind = 0;     // ammunition kind of the next shot, 0 none
  int32_t fireslot = 0;     // ammo slot of the next shot
  int32_t barwidth = 0;     // black bars beside the zoomed-out room
  int32_t barx = 0;
  int32_t loopexit = 0;     // 0 go on, 1 game over or no next level, 99 quit
  int32_t levelstep = 0;    // levels moved on in this game
  int32_t healthbonus = 0;  // bonuses counted up on the level-complete screen
  int32_t ammobonus = 0;
  std::string endline1;     // message lines of the level-end screen
  std::string endline2;
};
extern PlayState playstate;
