// The assets every screen shares and that belong to the open display: image
// fonts sized by the display width, the icon strip, the logos, the badge
// jingle and icons, and the numbered sound effects.
#pragma once

#include <cstdint>
#include <string>

// 0 until the first display's splash has been shown, then 1 for good.
extern int32_t FirstRun;
// Set once the score history has been read at the first display start; an
// exit before that has nothing of its own to save.
extern bool HistoryLoaded;
// Font scale of the fixed fonts 2 and 3 (the main scale is faf); also the
// backdrops' stripe shade between loads.
extern float fbf;
// "icons.png", 64 frames of 16x16: crisp, and filtered for glows and the pointer.
extern int32_t CommonIcons;
extern int32_t CommonIconsF;
extern int32_t logo;
extern int32_t QuendryLogo;
extern int32_t BadgeGet;
// "badges.png" of the game folder: frame n - 1 shows badge n.
extern int32_t BadgeIcons;

// Font file of each face (1 to 3) in the common folder.
std::string FontFile(int32_t face);
// Pixel size of a font of `base` pixels at `scale` (truncated, float maths).
int32_t FontSize(int32_t base, float scale);
// Sets faf and fbf from the real display width MyScrw.
void ChooseFontScales();
// Face and pixel size of fixed font `slot` (1 to 9) and of bank step 0 to 8,
// at the scales in force.
int32_t FixedFontFace(int32_t slot);
int32_t FixedFontSize(int32_t slot);
int32_t BankFontSize(int32_t step);
// Loads everything above for the display just opened; the first call also
// shows the splash with the jingle and reads the score history.
void LoadCommon();
// Selects the sized font of face 1..3 (else 1) and step 0..8 (else 0).
void UseFont(int32_t face, int32_t step);
