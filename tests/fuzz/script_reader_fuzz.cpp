// Fuzz target for the replay tool's script reader: any bytes read as a script
// either give instructions that keep the reader's promises or a one-line
// refusal, never anything else; and the input the instructions give, frame
// after frame, is what they say.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "replay_lib.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "%s\n", what);
  abort();
}

std::set<std::pair<int, int32_t>> HeldIn(const replay::Script& s, int32_t frame) {
  std::set<std::pair<int, int32_t>> held;
  for (const replay::Hold& h : s.holds) {
    if (frame < h.from || frame > h.to) continue;
    for (const replay::Control& c : h.controls) held.insert({static_cast<int>(c.kind), c.code});
  }
  return held;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  replay::Script s;
  try {
    s = replay::ParseScript(text, "fuzz.script");
  } catch (const replay::InputError& e) {
    const std::string what = e.what();
    Check(what.rfind("fuzz.script:", 0) == 0, "a refusal names the script");
    return 0;
  }

  int32_t lastNamed = 0;
  std::vector<int32_t> frames;
  for (const replay::Hold& h : s.holds) {
    Check(h.from >= 1 && h.from <= h.to, "a hold runs forwards from frame 1");
    Check(!h.controls.empty(), "a hold holds something");
    for (const replay::Control& c : h.controls) {
      const bool known = (c.kind == replay::ControlKind::Action && c.code >= 0 && c.code < 14) ||
                         (c.kind == replay::ControlKind::Key && c.code >= 1 && c.code <= replay::kLastKeyCode) ||
                         (c.kind == replay::ControlKind::Mouse && (c.code == 1 || c.code == 2));
      Check(known, "a control the run knows");
    }
    lastNamed = std::max(lastNamed, h.to);
    frames.insert(frames.end(), {h.from, h.to, h.to + 1});
  }
  for (const replay::MouseMove& m : s.moves) {
    Check(m.frame >= 1 && std::isfinite(m.x) && std::isfinite(m.y), "a move in a frame, to a place");
    lastNamed = std::max(lastNamed, m.frame);
    frames.push_back(m.frame);
  }
  for (const replay::Typing& t : s.typing) {
    Check(t.frame >= 1 && !t.text.empty(), "something typed in a frame");
    lastNamed = std::max(lastNamed, t.frame);
    frames.push_back(t.frame);
  }
  Check(s.lastFrame >= 0, "the last frame is a frame");
  const bool ended = text.find("end") != std::string::npos;
  Check(ended || s.lastFrame == lastNamed, "without an end, the run ends at the last frame named");

  // The frames where something changes, in rising order, as a run asks.
  std::sort(frames.begin(), frames.end());
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  replay::ScriptInput input(s);
  for (const int32_t frame : frames) {
    const replay::FrameInput in = input.For(frame);
    std::set<std::pair<int, int32_t>> held;
    for (const replay::Control& c : in.held) Check(held.insert({static_cast<int>(c.kind), c.code}).second, "held once");
    Check(held == HeldIn(s, frame), "the controls held are the instructions'");
    size_t moves = 0, typed = 0;
    for (const replay::MouseMove& m : s.moves) moves += m.frame == frame ? 1 : 0;
    for (const replay::Typing& t : s.typing) typed += t.frame == frame ? 1 : 0;
    Check(in.moves.size() == moves && in.typed.size() == typed, "the moves and typing of the frame");
  }
  Check(input.Looks() <= 3 * static_cast<int64_t>(s.holds.size() + s.moves.size() + s.typing.size()) + 1,
        "each instruction looked at a few times");
  return 0;
}
