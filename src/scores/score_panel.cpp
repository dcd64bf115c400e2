#include "scores/score_panel.h"

#include <memory>

#include "framework/draw.h"
#include "framework/utils.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "startup/globals.h"

std::string MyName = "Player";
int32_t fscroll = 0;
int32_t HoldMe = 0;

namespace {

int32_t Abs32(int32_t v) { return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v; }

std::string ScoresPath() { return Paths.game + "scores.dat"; }

void SortNewestFirst() {
  Highscores.Sort();
}

}  // namespace

void LoadScores() {
  if (FileType(ScoresPath()) == 0) return;
  Stream s = ReadFile(ScoresPath());
  if (!s) return;
  Highscores.Clear();
  int32_t count = 0;
  do {
    const std::string line = ReadLine(s);
    if (Instr(line, "|") > 0) {
      ++count;
      auto rec = std::make_shared<Scores>();
      rec->Score = ToLong(SplitText(line, "|", 1, 0));
      rec->Name = Trim(SplitText(line, "|", 2, 0));
      if (count == 1) MyName = rec->Name;
      rec->Badges = Abs32(ToInt(SplitText(line, "|", 3, 0)));
      rec->Timestamp = ToLong(SplitText(line, "|", 4, 0));
      rec->Level = Abs32(ToInt(SplitText(line, "|", 5, 0)));
      rec->GameMode = Abs32(ToInt(SplitText(line, "|", 6, 0)));
      rec->GameFlags = Abs32(ToInt(SplitText(line, "|", 7, 0)));
      rec->Quit = Abs32(ToInt(SplitText(line, "|", 8, 0)));
      const std::string best = ReadLine(s);
      for (int k = 1; k <= 30; ++k) rec->Best[k] = Abs32(ToInt(SplitText(best, "|", k, 0)));
      Highscores.AddLast(rec);
    }
  } while (!Eof(s));
  CloseFile(s);
  SortNewestFirst();
}

void SaveScores() {
  SortNewestFirst();
  std::string out;
  for (const auto& rec : Highscores) {
    out += Str(rec->Score) + "|" + rec->Name + "|" + Str(rec->Badges) + "|" + Str(rec->Timestamp) + "|" +
           Str(rec->Level) + "|" + Str(rec->GameMode) + "|" + Str(rec->GameFlags) + "|" + Str(rec->Quit) + "\r\n";
    for (int k = 1; k <= 30; ++k) {
      out += Str(rec->Best[k]);
      out += k < 30 ? "|" : "\r\n";
    }
  }
  WriteFileAtomic(ScoresPath(), out);
}

void Graph(int32_t slide, int32_t mode, int32_t level, int32_t flags) {
  (void)mode;
  (void)level;
  (void)flags;
  const int32_t panel_x = JScrw - 10 - slide;
  const int32_t base_y = JScrh - 10;
  SetSize(1.0f);
  ResetDraw();
  SetCol(0, 0, 0, 0.6f);
  DrawRect(static_cast<float>(panel_x + 2), static_cast<float>(base_y - 422), 322.0f, 422.0f);
  SetCol(0, 0, 80, 1.0f);
  DrawLine(static_cast<float>(panel_x + 2), static_cast<float>(base_y - 150), static_cast<float>(JScrw - 8),
           static_cast<float>(base_y - 150));
}
