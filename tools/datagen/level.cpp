// Level sources: rooms drawn as character grids, written out in the exact
// layout the game's own level writer produces, so that a shipped level and a
// level saved from the editor look alike. See data/levels/README.txt.
#include <map>

#include "datagen.h"

namespace datagen {

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      {'V', "vine", 40},        {'L', "ladder", 41},       {'W', "wall", 42},
      {'C', "wall_crawl", 43},  {'H', "hole", 45},         {'G', "grip", 47},
      {'y', "gate_yellow", 48}, {'r', "gate_red", 49},     {'g', "gate_green", 50},
      {'b', "gate_blue", 51},   {'U', "crumble", 52},      {'*', "gem", 96},
      {'+', "cross", 97},       {'h', "hp", 98},           {'a', "ammo", 99},
      {'A', "ammo2", 101},      {'m', "mine", 103},        {'1', "key_yellow", 104},
      {'2', "key_red", 105},    {'3', "key_green", 106},   {'4', "key_blue", 107},
      {'<', "turret_left", 108}, {'>', "turret_right", 109}, {'B', "bat", 160},
      {'D', "dog", 162},        {'O', "barrel", 164},      {'S', "spikey", 166},
      {'R', "bear", 168},       {'N', "snake", 170},       {'^', "spike", 172},
      {'F', "flame", 174},      {'s', "spike2", 176},      {'t', "spike3", 178},
  };
  return kinds;
}

int KindCode(char letter) {
  for (const auto& k : Kinds())
    if (k.letter == letter) return k.code;
  return 0;
}

namespace {

const std::map<char, std::string>& Legend() {
  static const std::map<char, std::string> legend = [] {
    std::map<char, std::string> m;
    for (const auto& k : Kinds()) m[k.letter] = k.name;
    return m;
  }();
  return legend;
}

}  // namespace

LevelSource ParseLevel(const std::string& sourceText) {
  auto lines = SplitLines(sourceText);
  LevelSource lv;
  auto& title = lv.title;
  auto& author = lv.author;
  int &sx = lv.sx, &sy = lv.sy, &ex = lv.ex, &ey = lv.ey;
  auto& story = lv.story;
  auto& rooms = lv.rooms;
  size_t i = 0;
  auto where = [&]() { return "level source line " + std::to_string(i); };
  auto rest = [](const std::string& line, size_t words) {
    size_t p = 0;
    for (size_t k = 0; k < words; ++k) {
      while (p < line.size() && line[p] == ' ') ++p;
      while (p < line.size() && line[p] != ' ') ++p;
    }
    return Trim(line.substr(p));
  };
  auto point = [&](const std::string& v, int& a, int& b) {
    auto c = v.find(',');
    if (c == std::string::npos) Fail(where() + ": want x,y");
    a = std::stoi(v.substr(0, c));
    b = std::stoi(v.substr(c + 1));
  };
  while (i < lines.size()) {
    std::string line = lines[i++];
    auto w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    if (w[0] == "title") title = rest(line, 1);
    else if (w[0] == "author") author = rest(line, 1);
    else if (w[0] == "from") point(w.at(1), sx, sy);
    else if (w[0] == "to") point(w.at(1), ex, ey);
    else if (w[0] == "story") {
      while (i < lines.size() && Trim(lines[i]) != "endstory") story.push_back(Trim(lines[i++]));
      if (i >= lines.size()) Fail("story without endstory");
      ++i;
    } else if (w[0] == "room") {
      LevelRoom r;
      point(w.at(1), r.x, r.y);
      r.title = rest(line, 2);
      for (int h = 0; h < 2; ++h) {
        while (i < lines.size() && (Trim(lines[i]).empty() || Trim(lines[i])[0] == '#')) ++i;
        auto hw = Words(i < lines.size() ? lines[i] : "");
        ++i;
        if (hw.size() != 3 || hw[0] != (h == 0 ? "top" : "bottom"))
          Fail(where() + ": want '" + std::string(h == 0 ? "top" : "bottom") + " <style> <gfx>'");
        r.half[h].style = std::stoi(hw[1]);
        r.half[h].gfx = std::stoi(hw[2]);
        for (int l = 0; l < 4; ++l) {
          std::string g = i < lines.size() ? Trim(lines[i]) : "";
          ++i;
          if (g.size() != 25 || g.front() != '|' || g.back() != '|')
            Fail(where() + ": a layer is |23 cells| between bars");
          r.half[h].layers[l] = g.substr(1, 23) + "..";
        }
      }
      rooms.push_back(r);
    } else {
      Fail(where() + ": unknown line " + w[0]);
    }
  }
  // Story lines may not end in blank lines the reader would keep; drop them.
  while (!story.empty() && story.back().empty()) story.pop_back();

  return lv;
}

std::string BuildLevel(const std::string& sourceText) {
  const LevelSource lv = ParseLevel(sourceText);
  const auto& title = lv.title;
  const auto& author = lv.author;
  const int sx = lv.sx, sy = lv.sy, ex = lv.ex, ey = lv.ey;
  const auto& story = lv.story;
  const auto& rooms = lv.rooms;
  std::string out;
  auto put = [&](const std::string& s) { out += s + "\r\n"; };
  put("<title>" + title + "</title>");
  put("<author>" + author + "</author>");
  put("");
  put("// From and To define where Imra's little buggy goes in the map!");
  put("<from>" + std::to_string(sx) + "," + std::to_string(sy) + "</from>");
  put("<to>" + std::to_string(ex) + "," + std::to_string(ey) + "</to>");
  put("");
  put("<story>");
  for (const auto& s : story) put("\t" + s);
  put("</story>");
  put("");
  for (const auto& r : rooms) {
    put("<room>");
    put("\t<title>" + r.title + "</title>");
    put("\t<position>" + std::to_string(r.x) + "," + std::to_string(r.y) + "</position>");
    for (int h = 0; h < 2; ++h) {
      const char* tag = h == 0 ? "top" : "bottom";
      put(std::string("\t<") + tag + ">");
      put("\t\t<style>" + std::to_string(r.half[h].style) + "</style>");
      put("\t\t<gfx>" + std::to_string(r.half[h].gfx) + "</gfx>");
      for (int l = 0; l < 4; ++l) {
        // Runs of equal cells, left to right, as the game's writer makes them.
        const std::string& row = r.half[h].layers[l];
        bool opened = false;
        char prev = '.';
        int runStart = 0, runLen = 0;
        for (int c = 0; c < 25; ++c) {
          char v = row[size_t(c)];
          if (v != '.' && !Legend().count(v)) Fail("room " + r.title + ": unknown cell '" + std::string(1, v) + "'");
          if (v == prev) {
            ++runLen;
          } else {
            if (!opened) {
              put("\t\t<layer>");
              opened = true;
            }
            if (prev != '.') {
              std::string line = "\t\t\t" + std::to_string(runStart) + ":" + Legend().at(prev);
              if (runLen > 1) line += "*" + std::to_string(runLen);
              put(line);
            }
            runLen = 1;
            runStart = c;
          }
          prev = v;
        }
        put(opened ? "\t\t</layer>" : "\t\t<layer></layer>");
      }
      put(std::string("\t</") + tag + ">");
    }
    put("</room>");
  }
  return out;
}

}  // namespace datagen
