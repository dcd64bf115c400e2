// The replay script reader: the text of a script in, its instructions out, or
// one line naming what is wrong. It reads anything at all without harm (the
// script reader's fuzz target holds it to that).
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

#include "replay_lib.h"

namespace replay {
namespace {

// Player-1 control slots of the bindings table.
constexpr int32_t kUpSlot = 0, kLeftSlot = 3, kRightSlot = 5, kDownSlot = 8;
constexpr int32_t kFireSlot = 10, kJumpSlot = 11, kCSlot = 12, kVSlot = 13;
constexpr int32_t kSpaceKey = 32, kEscKey = 27, kEnterKey = 13, kTabKey = 9;
// Frame numbers stay far from overflow in every sum the run makes.
constexpr int64_t kMostFrames = 100000000;

// What separates words: any white space but the line's end. One set for
// every question a line is asked (is it blank, where do its words start), so
// that a line can never look blank to one and hold words for another.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

const std::map<std::string, Control>& NamedControls() {
  static const std::map<std::string, Control> named = {
      {"left", {ControlKind::Action, kLeftSlot}},   {"right", {ControlKind::Action, kRightSlot}},
      {"up", {ControlKind::Action, kUpSlot}},       {"down", {ControlKind::Action, kDownSlot}},
      {"fire", {ControlKind::Action, kFireSlot}},   {"jump", {ControlKind::Action, kJumpSlot}},
      {"c", {ControlKind::Action, kCSlot}},         {"v", {ControlKind::Action, kVSlot}},
      {"space", {ControlKind::Key, kSpaceKey}},     {"esc", {ControlKind::Key, kEscKey}},
      {"enter", {ControlKind::Key, kEnterKey}},     {"tab", {ControlKind::Key, kTabKey}},
      {"lmb", {ControlKind::Mouse, 1}},             {"rmb", {ControlKind::Mouse, 2}},
  };
  return named;
}

bool ParseFloat(const std::string& s, float& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const float v = std::strtof(s.c_str(), &end);
  if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

// The words of `s` and where each starts.
struct Word {
  std::string text;
  size_t at;
};
std::vector<Word> Words(const std::string& s) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i == s.size()) break;
    const size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    words.push_back({s.substr(start, i - start), start});
  }
  return words;
}

std::vector<std::string> SplitOn(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

}  // namespace

int64_t SmallNumber(const std::string& s) {
  if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoll(s);
}

Script ParseScript(const std::string& text, const std::string& name) {
  Script s;
  bool ended = false;
  int32_t lastNamed = 0;
  int32_t lineNo = 0;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    std::string line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<Word> head = Words(line);
    // A blank line, or a comment.
    if (head.empty() || head[0].text[0] == '#') continue;
    // Typed text runs to the end of the line, '#' and all; anywhere else '#'
    // starts a comment.
    const bool typing = head.size() >= 2 && head[1].text == "type";
    std::vector<std::string> w;
    for (const Word& word : head) {
      if (!typing) {
        const size_t hash = word.text.find('#');
        if (hash != std::string::npos) {
          if (hash > 0) w.push_back(word.text.substr(0, hash));
          break;
        }
      }
      w.push_back(word.text);
    }
    const std::string where = name + ":" + std::to_string(lineNo) + ": ";
    auto fail = [&](const std::string& what) { throw InputError(where + what); };
    const std::string shown = line.substr(head[0].at);

    auto frameNumber = [&](const std::string& token) -> int32_t {
      const int64_t f = SmallNumber(token);
      if (f < 0 || f > kMostFrames) fail("not an instruction: " + shown);
      if (f == 0) fail("frames count from 1: " + shown);
      return static_cast<int32_t>(f);
    };

    if (w[0] == "end") {
      if (w.size() != 2) fail("not an instruction: " + shown);
      if (ended) fail("a second end: " + shown);
      ended = true;
      s.lastFrame = frameNumber(w[1]);
      continue;
    }
    if (w.size() < 2) fail("not an instruction: " + shown);

    const std::vector<std::string> range = SplitOn(w[0], '-');
    if (range.size() > 2) fail("not an instruction: " + shown);
    const int32_t from = frameNumber(range[0]);
    const int32_t to = range.size() == 2 ? frameNumber(range[1]) : from;
    if (to < from) fail("frame range backwards: " + w[0]);
    lastNamed = std::max(lastNamed, to);

    if (w[1] == "mouse") {
      if (range.size() != 1) fail("mouse takes one frame: " + shown);
      MouseMove m;
      m.frame = from;
      if (w.size() != 4 || !ParseFloat(w[2], m.x) || !ParseFloat(w[3], m.y)) fail("mouse takes X Y: " + shown);
      s.moves.push_back(m);
      continue;
    }
    if (typing) {
      if (range.size() != 1) fail("type takes one frame: " + shown);
      // After "type" and the one blank that follows it.
      std::string typed = line.substr(head[1].at + 4);
      if (!typed.empty() && IsBlank(typed[0])) typed.erase(0, 1);
      if (typed.empty()) fail("nothing to type: " + shown);
      s.typing.push_back({from, typed});
      continue;
    }
    if (w.size() != 2) fail("not an instruction: " + shown);
    Hold h;
    h.from = from;
    h.to = to;
    for (const std::string& c : SplitOn(w[1], '+')) {
      const auto named = NamedControls().find(c);
      if (named != NamedControls().end()) {
        h.controls.push_back(named->second);
        continue;
      }
      if (c.rfind("key:", 0) == 0) {
        const int64_t code = SmallNumber(c.substr(4));
        if (code < 1 || code > kLastKeyCode) fail("key code out of 1-255: " + c);
        h.controls.push_back({ControlKind::Key, static_cast<int32_t>(code)});
        continue;
      }
      fail("unknown control '" + c + "'");
    }
    s.holds.push_back(h);
  }
  if (!ended) s.lastFrame = lastNamed;
  return s;
}

namespace {

// The indices of `items` in the order of `frame`, script order within a frame.
template <typename T, typename Frame>
std::vector<size_t> ByFrame(const std::vector<T>& items, const Frame& frame) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return frame(items[a]) < frame(items[b]); });
  return order;
}

}  // namespace

ScriptInput::ScriptInput(const Script& script)
    : script_(script),
      holdsByStart_(ByFrame(script.holds, [](const Hold& h) { return h.from; })),
      movesByFrame_(ByFrame(script.moves, [](const MouseMove& m) { return m.frame; })),
      typingByFrame_(ByFrame(script.typing, [](const Typing& t) { return t.frame; })) {}

FrameInput ScriptInput::For(int32_t frame) {
  // A min-heap on the last frame of each hold under way.
  const auto endsLater = [](const std::pair<int32_t, size_t>& a, const std::pair<int32_t, size_t>& b) {
    return a.first > b.first;
  };
  auto count = [&](const Hold& h, int32_t by) {
    for (const Control& c : h.controls) {
      const std::pair<int, int32_t> key{static_cast<int>(c.kind), c.code};
      if ((heldBy_[key] += by) == 0) heldBy_.erase(key);
    }
  };
  // Holds that begin by this frame start, unless they are over already.
  for (; nextHold_ < holdsByStart_.size(); ++nextHold_) {
    const size_t i = holdsByStart_[nextHold_];
    const Hold& h = script_.holds[i];
    if (h.from > frame) break;
    ++looks_;
    if (h.to < frame) continue;
    count(h, 1);
    holdsUnderWay_.emplace_back(h.to, i);
    std::push_heap(holdsUnderWay_.begin(), holdsUnderWay_.end(), endsLater);
  }
  // Holds whose last frame has passed end.
  while (!holdsUnderWay_.empty() && holdsUnderWay_.front().first < frame) {
    ++looks_;
    count(script_.holds[holdsUnderWay_.front().second], -1);
    std::pop_heap(holdsUnderWay_.begin(), holdsUnderWay_.end(), endsLater);
    holdsUnderWay_.pop_back();
  }
  FrameInput in;
  for (const auto& [key, holds] : heldBy_) in.held.push_back({static_cast<ControlKind>(key.first), key.second});
  for (; nextMove_ < movesByFrame_.size(); ++nextMove_) {
    const MouseMove& m = script_.moves[movesByFrame_[nextMove_]];
    if (m.frame > frame) break;
    ++looks_;
    if (m.frame == frame) in.moves.push_back(m);
  }
  for (; nextTyping_ < typingByFrame_.size(); ++nextTyping_) {
    const Typing& t = script_.typing[typingByFrame_[nextTyping_]];
    if (t.frame > frame) break;
    ++looks_;
    if (t.frame == frame) in.typed.push_back(t.text);
  }
  return in;
}

}  // namespace replay
