#include "scores/score_panel.h"

#include <limits>
#include <string>
#include <unordered_set>
#include <vector>

#include "framework/draw.h"
#include "framework/pump.h"
#include "framework/utils.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "scores/time_stamps.h"
#include "settings/common_assets.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"

int32_t fscroll = 0;
int32_t HoldMe = 0;
std::shared_ptr<Scores> drawscore;
int32_t scaleMax = 1;

namespace {

constexpr int32_t kBand = 150;       // height of the graph band
constexpr int32_t kRowHeight = 17;   // table row pitch
constexpr int32_t kPointStep = 18;   // graph point pitch
constexpr int32_t kScrollMax = 1000;
constexpr const char* kNoticeAddress = "quoradin.example.org";

int32_t PanelX(int32_t slide) { return JScrw - 10 - slide; }
int32_t BaseY() { return JScrh - 10; }
float F(int64_t v) { return static_cast<float>(v); }

bool Matches(const Scores& r, int32_t mode, int32_t level, int32_t flags) {
  return r.Level == level && r.GameMode == mode && r.GameFlags == flags;
}

bool InTable(const std::shared_ptr<Scores>& r) {
  for (int32_t s = 1; s <= kTableSlots; ++s) {
    if (HighTable[s] == r) return true;
  }
  return false;
}

int32_t Clamp32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Drops the pruned games from Highscores by identity: another game with the
// same stamp stays.
// One pass however many go: a history read from a damaged file can hold a
// great many games that all go at once.
void RemoveGames(const std::vector<std::shared_ptr<Scores>>& gone) {
  if (gone.empty()) return;
  std::unordered_set<const Scores*> pruned;
  pruned.reserve(gone.size());
  for (const auto& g : gone) pruned.insert(g.get());
  std::vector<std::shared_ptr<Scores>> keep;
  for (const auto& r : Highscores) {
    if (pruned.count(r.get()) == 0) keep.push_back(r);
  }
  ClearList(Highscores);
  for (auto& r : keep) ListAddLast(Highscores, std::move(r));
}

}  // namespace

int32_t GraphHeight(int64_t score, int32_t scale) {
  if (scale == 0) scale = 1;
  constexpr int64_t kExact = std::numeric_limits<int64_t>::max() / kBand;
  if (score > -kExact && score < kExact) return Clamp32(score * kBand / scale);
  // Beyond what 64 bits can multiply: worked in floating point and held.
  const double h = static_cast<double>(score) * kBand / static_cast<double>(scale);
  if (h >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (h <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(h);
}

void BuildHighTable(int32_t wantMode, int32_t wantLevel, int32_t wantFlags) {
  for (int32_t s = 1; s <= kTableSlots; ++s) HighTable[s] = nullptr;
  scaleMax = 0;
  for (const auto& r : Highscores) {
    if (!Matches(*r, wantMode, wantLevel, wantFlags)) continue;
    if (r->Score > static_cast<int64_t>(scaleMax)) {
      scaleMax = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(r->Score)));
    }
    int32_t slot = 0;
    for (int32_t s = 1; s <= kTableSlots && slot == 0; ++s) {
      if (HighTable[s] && HighTable[s]->Score < r->Score) slot = s;
    }
    for (int32_t s = 1; s <= kTableSlots && slot == 0; ++s) {
      if (!HighTable[s]) slot = s;
    }
    if (slot == 0) continue;
    for (int32_t s = kTableSlots - 1; s >= slot; --s) {
      if (HighTable[s]) HighTable[s + 1] = HighTable[s];
    }
    HighTable[slot] = r;
  }
  if (scaleMax == 0) scaleMax = 1;
}

void DrawScoreHistory(int32_t slide, int32_t wantMode, int32_t wantLevel, int32_t wantFlags) {
  const int32_t panel_x = PanelX(slide);
  const int32_t base_y = BaseY();
  const int32_t top = base_y - kBand;
  drawscore = nullptr;
  int32_t n = 0;
  bool have_prev = false;
  int64_t prev_x = 0, prev_y = 0;
  std::vector<std::shared_ptr<Scores>> gone;
  // The walk runs over the list as it stands; pruned games leave it afterwards.
  for (const auto& r : Highscores.ToVector()) {
    if (!Matches(*r, wantMode, wantLevel, wantFlags)) continue;
    ++n;
    if (HoldMe == n && !drawscore) drawscore = r;
    const bool goes = n > kKeptRecent && !InTable(r);
    const int64_t x = static_cast<int64_t>(panel_x) + 316 + fscroll - static_cast<int64_t>(kPointStep) * (n - 1);
    if (x > panel_x - 4) {
      const int32_t h = GraphHeight(r->Score, scaleMax);
      const int64_t y = static_cast<int64_t>(base_y) - h;
      SetCol(255.0f - F(h), 255.0f, 80.0f, 1.0f);
      drawimg(CommonIconsF, Clamp32(x - 8), Clamp32(y - 8), 7, kDrawMain);
      SetCol(255.0f, 80.0f + F(h), 80.0f, 1.0f);
      if (have_prev) DrawLine(F(x), F(y), F(prev_x), F(prev_y));
      SetCol(0.0f, 0.0f, 0.0f, 0.3f);
      DrawLine(F(x - 9), F(top), F(x - 9), F(base_y - 1));
      prev_x = x;
      prev_y = y;
      have_prev = true;
      if (Mousein(Clamp32(x - 9), top, 19, kBand)) {
        drawscore = r;
        if (MouseDown(1)) HoldMe = n;
      }
      if (drawscore == r) {
        SetCol(255.0f, 255.0f, 255.0f, 0.3f);
        DrawRect(F(x - 9), F(top), 19.0f, F(kBand));
      }
    }
    if (goes) gone.push_back(r);
  }
  RemoveGames(gone);
  if (Mousein(panel_x - 2, top, 32, kBand) && fscroll < kScrollMax) fscroll += 8;
  if (Mousein(panel_x + 280, top, 62, kBand) && fscroll > 0) fscroll -= 8;
}

void DrawHighTable(int32_t slide) {
  const int32_t panel_x = PanelX(slide);
  const int32_t base_y = BaseY();
  SetImageFont(Font[3]);
  int32_t drawn = 0;
  for (int32_t r = 1; r <= kTableRows; ++r) {
    const std::shared_ptr<Scores>& t = HighTable[r];
    if (!t) continue;
    const int32_t y = base_y - 426 + kRowHeight * (r - 1);
    ++drawn;
    if (HoldMe == 1000 + r && !drawscore) drawscore = t;
    SetCol(255.0f, 255.0f, 255.0f, 1.0f);
    if (Mousein(panel_x + 4, y, 320, 18)) {
      drawscore = t;
      if (MouseDown(1)) HoldMe = 1000 + r;
    }
    Text(panel_x + 4, y, Left(t->Name, 24), 0, 0);
    Text(panel_x + 324, y, Right("000000000000" + Str(t->Score), 12), 2, 0);
    if (drawscore == t) {
      SetCol(255.0f, 255.0f, 255.0f, 0.3f);
      DrawRect(F(panel_x + 4), F(y), 320.0f, 17.0f);
    }
  }
  if (drawn <= 10) return;
  SetCol(0.0f, 0.0f, 80.0f, 0.6f);
  if (MMillisecs() % 10000 > 5000) SetCol(0.0f, 0.0f, 110.0f, 0.7f);
  DrawRect(F(panel_x - 2), 0.0f, 330.0f, 200.0f);
  SetImageFont(Font[1]);
  const int32_t x = JScrw - 10 - (slide + 2) / 2;
  struct Line {
    int32_t y;
    float r, g, b;
    std::string text;
  };
  const Line lines[] = {
      {20, 255, 255, 0, "You've been enjoying"},
      {38, 255, 255, 0, GameName1},
      {56, 255, 255, 0, GameName2},
      {90, 255, 128, 0, "Why not thank Quoradin"},
      {108, 255, 128, 0, "for making yet another"},
      {126, 255, 128, 0, "free downloadable game!"},
      {165, 0, 128, 255, kNoticeAddress},
  };
  for (const Line& l : lines) {
    SetCol(l.r, l.g, l.b, 1.0f);
    Text(x, l.y, l.text, 1, 1);
  }
}

void DrawScoreDetail(int32_t slide) {
  if (!drawscore) return;
  const Scores& r = *drawscore;
  const int32_t panel_x = PanelX(slide);
  const int32_t base_y = BaseY();
  SetCol(255.0f, 255.0f, 255.0f, 0.6f);
  DrawRect(F(panel_x - 2), F(base_y - 566), 330.0f, 140.0f);
  SetImageFont(Font[1]);
  SetCol(80.0f, 80.0f, 0.0f, 1.0f);
  Text(panel_x + 4, base_y - 562, r.Name, 0, 0);
  SetCol(0.0f, 0.0f, 80.0f, 1.0f);
  Text(panel_x + 324, base_y - 541, Str(r.Score), 2, 0);
  if (r.Best[30] == 1) {
    SetImageFont(Font[4]);
    SetCol(0.0f, 80.0f, 0.0f, 1.0f);
    Text(panel_x + 4, base_y - 516, "Complete!", 0, 1);
  }
  SetImageFont(Font[3]);
  SetCol(0.0f, 0.0f, 0.0f, 1.0f);
  Text(panel_x + 4, base_y - 430, StampDate(r.Timestamp) + ", " + StampTime(r.Timestamp), 0, 2);
  SetSize(0.28f);
  SetCol(255.0f, 255.0f, 255.0f, 1.0f);
  SetAlpha(1.0f);
  for (int32_t b = 1; b <= GameBadges; ++b) {
    if (GetFlag(r.Badges, b) == 1) drawimg(BadgeIcons, panel_x + 6 + 20 * (b - 1), base_y - 476, b - 1, kDrawMain);
  }
  SetSize(1.0f);
}

void Graph(int32_t slide, int32_t wantMode, int32_t wantLevel, int32_t wantFlags) {
  const int32_t panel_x = PanelX(slide);
  const int32_t base_y = BaseY();
  BuildHighTable(wantMode, wantLevel, wantFlags);
  SetSize(1.0f);
  ResetDraw();
  SetCol(0.0f, 0.0f, 0.0f, 0.6f);
  DrawRect(F(panel_x + 2), F(base_y - 422), 322.0f, 422.0f);
  SetCol(0.0f, 0.0f, 80.0f, 1.0f);
  DrawLine(F(panel_x + 2), F(base_y - kBand), F(JScrw - 8), F(base_y - kBand));
  DrawScoreHistory(slide, wantMode, wantLevel, wantFlags);
  DrawHighTable(slide);
  DrawScoreDetail(slide);
}
