// The options overlay that Tab slides down over any screen, and its widgets:
// option buttons, volume sliders and control binding buttons.
#pragma once

#include <cstdint>
#include <string>

// 1 while the overlay is requested (Tab flips it, Apply clears it).
extern int32_t OptionScreen;
// The panel's vertical offset: -300 hidden, 20 fully open, 32 a frame between.
extern int32_t optin;
// Presses of mouse buttons 1 and 2 since the last sample; a widget that acts
// on a click clears mh1 so that nothing else in the frame does.
extern int32_t mh1, mh2;
// Number of players whose bindings the overlay offers.
extern int32_t AvailablePlayers;

// One frame of the overlay; the frame pump calls it once per frame.
int32_t Option();
// A button cycling Options[index] through its non-empty labels on a left
// click. Icon frame `frame` + state at (x, y + optin). 1 while pointed at.
int32_t OptionButton(int32_t index, int32_t x, int32_t y, int32_t frame, const std::string& label1,
                     const std::string& label2 = "", const std::string& label3 = "",
                     const std::string& label4 = "", const std::string& label5 = "",
                     const std::string& label6 = "");
// A 0..100 slider at (x, y); returns the value after this frame's dragging.
int32_t OptionSlider(int32_t value, int32_t x, int32_t y, const std::string& label);
// A 48x48 binding button for KeyV[slot]: pointed at with the overlay fully
// open, it binds the input held (Backspace unbinds). Returns 0.
int32_t ControlButton(int32_t slot, int32_t x, int32_t y);
