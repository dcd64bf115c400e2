// What the display tells the rest of the real backend.
#pragma once

struct SDL_Window;

// The open window, or nullptr.
SDL_Window* DisplayWindow();
// Maps between window pixels and virtual-screen units (the letterboxed,
// aspect-keeping scale the display uses). Points outside the screen map too.
void DisplayWindowToVirtual(float wx, float wy, float& vx, float& vy);
void DisplayVirtualToWindow(float vx, float vy, float& wx, float& wy);

// The window and its OpenGL context are closed once OpenGL has done all it
// was given (unless SDL's quit closed them already), every image, pixmap and
// font with them, and the display is back as at start; the next Graphics call
// opens a new window. The way out calls it before SDL's quit; tests that
// share one process call it between cases.
void DisplayStartOver();

// Hands a broken connection to the window system, or a request it refused,
// to the hook SetDisplayLostHook set, rather than to the window system's
// library, which would end the process. Called before SDL's video starts, so
// that SDL's own handler passes refusals on; once is enough for the process.
void WatchForDisplayLoss();
// SDL's video start (SDL_InitSubSystem of its video); true when it started.
// The sockets it opens are noted as the window system's connections.
bool StartVideo();
// While one lives, a fault in OpenGL's set-up on a connection the window
// system has closed is taken as the display's loss (the driver reads the
// reply it never got) and goes to the hook; any other fault stays what it
// was. The window and its OpenGL context are made under one.
class OpenGLSetUpGuard {
 public:
  OpenGLSetUpGuard();
  ~OpenGLSetUpGuard();
  OpenGLSetUpGuard(const OpenGLSetUpGuard&) = delete;
  OpenGLSetUpGuard& operator=(const OpenGLSetUpGuard&) = delete;
};
