#include "platform/real/events.h"

#include <SDL.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

#include "platform/core/input_state.h"
#include "platform/core/keymap.h"
#include "platform/real/input_internal.h"
#include "platform/runtime.h"

namespace {

// Set by the signal handler once the start-up is over.
volatile std::sig_atomic_t g_quit_signal = 0;

void OnQuitSignal(int) {
  // During the start-up nothing is loaded that could be saved, and the step
  // under way may wait for good (the handler's return restarts it), so the
  // process ends here and now. Later the frames see the flag and save first.
  if (StartingUp()) _exit(0);
  g_quit_signal = 1;
}

int ButtonCode(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    case SDL_BUTTON_X1: return 4;
    case SDL_BUTTON_X2: return 5;
    default: return 0;
  }
}

// Keys that type a control character; the printable ones arrive as text.
int ControlChar(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: return 0;
  }
}

// Typed text arrives as UTF-8; the game's strings hold one Latin-1 byte per
// character, so characters beyond Latin-1 are dropped.
void QueueText(const char* utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned c = *p++;
    int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0) continue;  // a stray continuation byte
    unsigned code = more == 0 ? c : c & (0x3Fu >> more);
    for (int i = 0; i < more && (*p & 0xC0) == 0x80; ++i) code = code << 6 | (*p++ & 0x3F);
    if (code >= 1 && code <= 255) inputstate::Char(static_cast<int>(code));
  }
}

void Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      inputstate::CloseRequest();
      break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          inputstate::CloseRequest();
          break;
        // Keys released while another application had the focus never report
        // their release, so the state starts over.
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          inputstate::Flush();
          break;
        default:
          break;
      }
      break;
    case SDL_KEYDOWN: {
      // The key's characters (its text event, or the control code below)
      // follow it, so the input state knows which key typed them.
      const int code = KeyCodeFromScancode(e.key.keysym.scancode);
      if (e.key.repeat) inputstate::KeyRepeat(code);
      else inputstate::Key(code, true);
      if (int c = ControlChar(e.key.keysym.sym)) inputstate::Char(c);
      break;
    }
    case SDL_KEYUP:
      if (int code = KeyCodeFromScancode(e.key.keysym.scancode); code != 0) inputstate::Key(code, false);
      break;
    case SDL_TEXTINPUT:
      QueueText(e.text.text);
      break;
    case SDL_MOUSEMOTION:
      InputSetPointer(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      InputSetPointer(static_cast<float>(e.button.x), static_cast<float>(e.button.y));
      inputstate::MouseButton(ButtonCode(e.button.button), e.type == SDL_MOUSEBUTTONDOWN);
      break;
    case SDL_MOUSEWHEEL:
      inputstate::MouseWheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
      break;
    default:
      break;
  }
}

}  // namespace

void CatchQuitSignals() {
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    // Whoever started the game with hang-ups or interrupts ignored (nohup,
    // a shell's background job) wants it to outlive the terminal or its
    // Ctrl+C. The system's request to end is always taken: a game that could
    // not be asked would in the end be killed without saving.
    struct sigaction inherited {};
    if (sig != SIGTERM && sigaction(sig, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(sig, &action, nullptr);
  }
}

void PlatformPumpEvents() {
  if (g_quit_signal != 0) {
    g_quit_signal = 0;
    inputstate::SystemCloseRequest();
  }
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
}
