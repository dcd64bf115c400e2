// Level sources: rooms drawn as character grids, written out in the exact
// layout the game's own level writer produces, so that a shipped level and a
// level saved from the editor look alike. See data/levels/README.txt.
#include <map>

#include "datagen.h"

namespace datagen {

namespace {

const std::map<char, std::string>& Legend() {
  static const std::map<char, std::string> legend = {
      {'V', "vine"},        {'L', "ladder"},     {'W', "wall"},        {'C', "wall_crawl"},
      {'H', "hole"},        {'G', "grip"},       {'y', "gate_yellow"}, {'r', "gate_red"},
      {'g', "gate_green"},  {'b', "gate_blue"},  {'U', "crumble"},     {'*', "gem"},
      {'+', "cross"},       {'h', "hp"},         {'a', "ammo"},        {'A', "ammo2"},
      {'m', "mine"},        {'1', "key_yellow"}, {'2', "key_red"},     {'3', "key_green"},
      {'4', "key_blue"},    {'<', "turret_left"}, {'>', "turret_right"}, {'B', "bat"},
      {'D', "dog"},         {'O', "barrel"},     {'S', "spikey"},      {'R', "bear"},
      {'N', "snake"},       {'^', "spike"},      {'F', "flame"},       {'s', "spike2"},
      {'t', "spike3"},
  };
  return legend;
}

struct Half {
  int style = 0, gfx = 0;
  std::string layers[4];  // 25 characters each, '.' empty
};

struct Room {
  std::string title;
  int x = 0, y = 0;
  Half half[2];
};

}  // namespace

std::string BuildLevel(const std::string& sourceText) {
  auto lines = SplitLines(sourceText);
  std::string title, author;
  int sx = 100, sy = 100, ex = 100, ey = 100;
  std::vector<std::string> story;
  std::vector<Room> rooms;
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
      Room r;
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
