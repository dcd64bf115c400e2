// The display and the 2D drawing layer. Images, fonts and pixmaps are integer
// handles; 0 is "none" and every call accepts it harmlessly (draws nothing,
// collides with nothing, measures 0). Coordinates are in units of the virtual
// screen, which the display scales to the window keeping its aspect ratio.
#pragma once

#include <cstdint>
#include <string>

// ---- blend modes (SetBlend / GetBlend) ---------------------------------------------
constexpr int MASKBLEND = 1;   // alpha-tested, no blending
constexpr int SOLIDBLEND = 2;  // source replaces destination
constexpr int ALPHABLEND = 3;  // src * a + dst * (1 - a)
constexpr int LIGHTBLEND = 4;  // src * a + dst
constexpr int SHADEBLEND = 5;  // src * dst

// ---- image flags (LoadImage, LoadAnimImage, CreateImage) ------------------------------
constexpr int MASKEDIMAGE = 1;    // black becomes transparent in pictures without alpha
constexpr int FILTEREDIMAGE = 2;  // linear filtering when scaled or rotated, else nearest
constexpr int MIPMAPPEDIMAGE = 4;
constexpr int DYNAMICIMAGE = 8;   // pixels may be grabbed into it; CreateImage always adds it
// Flags value that asks for the default: masked and filtered.
constexpr int DEFAULTIMAGEFLAGS = -1;

// ---- font styles (LoadImageFont) ------------------------------------------------------
constexpr int BOLDFONT = 1;
constexpr int ITALICFONT = 2;
constexpr int SMOOTHFONT = 4;  // anti-aliased glyphs, else one-bit

// ---- display ----------------------------------------------------------------------
// The OpenGL 2D driver (the only one).
int GL2DDriver();
// Every later Graphics call uses `driver` and adds `default_flags` to its own flags.
void SetGraphicsDriver(int driver, int default_flags = 0);
// Closes any open display and opens one: depth 0 a window of that size, any other
// depth full screen in that mode. Drawing state goes back to its defaults and the
// virtual resolution becomes the display's size. Images and fonts survive.
// When the display cannot be opened as asked it tries a window of the same size,
// then an 800x600 window. Returns 1 when some display is open, 0 when none.
int Graphics(int width, int height, int depth = 0, int hertz = 60, int flags = 0);
// The window system's own words for why the last Graphics call opened no
// display; empty after one that opened.
std::string GraphicsError();
// Closes the open display (images and fonts stay valid for the next one).
void EndGraphics();
// Size of the open display in pixels (0 when none is open).
int GraphicsWidth();
int GraphicsHeight();
int GraphicsDepth();
// Shows the drawn frame. sync 0: never wait for the vertical refresh; 1: wait;
// -1: the display's default.
void Flip(int sync = -1);
// Hands the frame's draws so far to the display so that it can render them while
// the caller does other work (a frame-rate wait); returns without waiting for the
// render. Flip does the same before it shows the frame.
void SubmitDraws();

// Modes of the main display with 16 or more bits per pixel, at most 2499 entries.
int CountGraphicsModes();
// Mode `index`, counted from 0; all zero when out of range.
void GetGraphicsMode(int index, int& width, int& height, int& depth, int& hertz);
// True when a mode has that size and, for depth and hertz that are not 0, those too.
bool GraphicsModeExists(int width, int height, int depth = 0, int hertz = 0);

// All later drawing (and the mouse) uses a virtual screen of this size.
void SetVirtualResolution(float width, float height);
float VirtualWidth();
float VirtualHeight();

// ---- images -----------------------------------------------------------------------
// A PNG whose data ends early loads with the rows it holds; the rest of the
// picture is transparent (LastLoadProblem says so).
// The whole picture as one frame; 0 when missing or unreadable.
int LoadImage(const std::string& path, int flags = DEFAULTIMAGEFLAGS);
// Cuts the picture into cells, left to right then top to bottom, and keeps cells
// first .. first + count - 1 as frames. 0 when missing, unreadable or too small.
int LoadAnimImage(const std::string& path, int cell_width, int cell_height, int first_cell,
                  int cell_count, int flags = DEFAULTIMAGEFLAGS);
// A blank (transparent black) image; DYNAMICIMAGE is always added to `flags`.
int CreateImage(int width, int height, int frames = 1, int flags = DEFAULTIMAGEFLAGS);
// Copies the back buffer, in display pixels from (x, y) onward, into a frame.
void GrabImage(int image, int x, int y, int frame = 0);
// Releases an image; its handle names nothing afterwards.
void FreeImage(int image);

void SetImageHandle(int image, float x, float y);
void GetImageHandle(int image, float& x, float& y);
// While on, every image loaded or created afterwards is handled at its frame centre.
void AutoMidHandle(bool on);
bool AutoMidHandleEnabled();
void MidHandleImage(int image);
// Size of one frame in pixels, and the number of frames (0 for no image).
int ImageWidth(int image);
int ImageHeight(int image);
int ImageFrames(int image);
int ImageFlags(int image);

// 1 when the two frames, placed as DrawImage would draw them under the current
// scale and rotation, share a pixel whose alpha is 128 or more in both; else 0.
int ImagesCollide(int image1, int x1, int y1, int frame1, int image2, int x2, int y2,
                  int frame2);

// ---- what a load found wrong ---------------------------------------------------------
// What the last LoadImage, LoadAnimImage, LoadPixmapPNG, LoadImageFont or
// LoadSound (audio.h) on this thread found wrong with its file, in a few words
// ("data ends early"), or "" when it found nothing. After a load that failed it
// is why, when the loader could tell more than that the file is no picture,
// font or sound; after one that succeeded it is the damage the load got past.
std::string LastLoadProblem();

// ---- pixmaps (CPU pictures, pixels 0xAARRGGBB, rows top first) ---------------------
// The back buffer as drawn so far this frame, in display pixels from its top-left.
int GrabPixmap(int x, int y, int width, int height);
// RGBA PNG at zlib `compression` level (0..9). 1 when written, else 0.
int SavePixmapPNG(int pixmap, const std::string& path, int compression = 9);
// Reads a PNG into a pixmap (0 when missing or unreadable).
int LoadPixmapPNG(const std::string& path);
int CreatePixmap(int width, int height);
void FreePixmap(int pixmap);
int PixmapWidth(int pixmap);
int PixmapHeight(int pixmap);
// 0 outside the pixmap.
uint32_t ReadPixel(int pixmap, int x, int y);
void WritePixel(int pixmap, int x, int y, uint32_t argb);
// An image made from a pixmap, cut like LoadAnimImage (cell sizes 0 = the whole pixmap).
int LoadImageFromPixmap(int pixmap, int flags = DEFAULTIMAGEFLAGS);
int LoadAnimImageFromPixmap(int pixmap, int cell_width, int cell_height, int first_cell,
                            int cell_count, int flags = DEFAULTIMAGEFLAGS);

// ---- drawing state -----------------------------------------------------------------
void SetClsColor(int r, int g, int b);
void GetClsColor(int& r, int& g, int& b);
void SetBlend(int mode);
int GetBlend();
void SetAlpha(float alpha);
float GetAlpha();
void SetColor(int r, int g, int b);
void GetColor(int& r, int& g, int& b);
// Negative scales mirror along that axis.
void SetScale(float sx, float sy);
void GetScale(float& sx, float& sy);
// Degrees, clockwise on screen (y points down).
void SetRotation(float degrees);
float GetRotation();

// ---- drawing ------------------------------------------------------------------------
void Cls();
// Draws `frame` with the image's handle at (x, y); scale and rotation act about the handle.
void DrawImage(int image, float x, float y, int frame = 0);
// Fills a rectangle in the current colour; scale and rotation act about (x, y).
void DrawRect(float x, float y, float width, float height);
void DrawLine(float x1, float y1, float x2, float y2);
// Draws text in the current font with its top-left corner at (x, y), about which
// scale and rotation act.
void DrawText(const std::string& text, float x, float y);

// ---- fonts ---------------------------------------------------------------------------
// A font face at `size` pixels; 0 when the file is missing or unreadable, and
// when none of the printable ASCII characters (32 to 126) draws a pixel: such a
// face would show no text at all, where handle 0's default font shows it.
int LoadImageFont(const std::string& path, int size, int style = SMOOTHFONT);
void FreeImageFont(int font);
// Handle 0 selects the built-in default font.
void SetImageFont(int font);
int GetImageFont();
// Unscaled width (sum of advances) of `text` in the current font.
int TextWidth(const std::string& text);
// Unscaled height of the current font; the text does not affect it.
int TextHeight(const std::string& text);
