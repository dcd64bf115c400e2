// Level maps: every room of a level drawn at its place on the grid the way
// the game draws it (backdrops shifted per room, terrain from the half's style
// strip, items and turrets on their cells, creatures half a cell to the left
// where they spawn), at twice the room's size. Arrows in the margins show the
// ways between rooms a player can take; a red one leads into no room. Keys,
// gates and the cross are ringed in their colours so a reviewer can follow
// the route without playing.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "datagen.h"
#include "level_ways.h"

namespace datagen {

namespace {

constexpr int kScale = 2;
constexpr int kRoomW = 184 * kScale, kRoomH = 128 * kScale;
constexpr int kGap = 20;       // between rooms side by side: the side arrows
constexpr int kTitleBand = 16; // the room title above each room
constexpr int kArrowBand = 12; // above and below each room: climbs and falls
constexpr int kSlotW = kRoomW + kGap;
constexpr int kSlotH = kTitleBand + kArrowBand + kRoomH + kArrowBand;
constexpr int kMargin = 12;
constexpr int kStoryScale = 2;

const Rgba kPaper{24, 22, 32, 255}, kNoRoom{36, 34, 46, 255}, kInk{240, 236, 220, 255},
    kHead{255, 210, 90, 255}, kDim{150, 146, 160, 255}, kWayOk{90, 230, 110, 255}, kWayBad{255, 60, 60, 255};

Rgba Blend(Rgba under, Rgba over) {
  const float a = over.a / 255.f;
  return Rgba{uint8_t(over.r * a + under.r * (1 - a)), uint8_t(over.g * a + under.g * (1 - a)),
              uint8_t(over.b * a + under.b * (1 - a)), 255};
}

void Fill(Image& img, int x, int y, int w, int h, Rgba c) {
  for (int py = std::max(0, y); py < std::min(img.h, y + h); ++py)
    for (int px = std::max(0, x); px < std::min(img.w, x + w); ++px) img.at(px, py) = c;
}

void Frame(Image& img, int x, int y, int w, int h, Rgba c, int t) {
  Fill(img, x, y, w, t, c);
  Fill(img, x, y + h - t, w, t, c);
  Fill(img, x, y, t, h, c);
  Fill(img, x + w - t, y, t, h, c);
}

// The room being drawn: room pixels map to the picture at the room's corner,
// and nothing spills outside the room.
struct RoomCanvas {
  Image& img;
  int ox, oy;
  void Put(int rx, int ry, Rgba c) {
    if (rx < 0 || ry < 0 || rx >= 184 || ry >= 128 || c.a == 0) return;
    for (int sy = 0; sy < kScale; ++sy)
      for (int sx = 0; sx < kScale; ++sx) {
        Rgba& d = img.at(ox + rx * kScale + sx, oy + ry * kScale + sy);
        d = Blend(d, c);
      }
  }
  // A w x h region of `src` at (sx, sy) drawn with its top-left at room pixel (rx, ry).
  void Blit(const Image& src, int sx, int sy, int w, int h, int rx, int ry) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Put(rx + x, ry + y, src.at(sx + x, sy + y));
  }
  void Ring(int rx, int ry, int w, int h, Rgba c) {
    const int x = ox + rx * kScale - 2, y = oy + ry * kScale - 2;
    Frame(img, x, y, w * kScale + 4, h * kScale + 4, Rgba{0, 0, 0, 255}, 3);
    Frame(img, x + 1, y + 1, w * kScale + 2, h * kScale + 2, c, 1);
  }
};

const Image* Strip(const ArtBook& book, int style) {
  char name[32];
  std::snprintf(name, sizeof name, "Files/256/bg%03d.png", style);
  auto it = book.images.find(name);
  return it == book.images.end() ? nullptr : &it->second;
}

// The drawn form of a hole: a run's ends show their ledges.
int DrawnCode(const LevelHalf& h, int layer, int column) {
  const std::string& row = h.layers[layer];
  int code = KindCode(row[size_t(column)]);
  if (code != levelways::kHole) return code;
  auto hole = [&](int c) { return KindCode(row[size_t(c)]) == levelways::kHole; };
  if (column > 0 && !hole(column - 1)) return 44;
  if (column < 22 && !hole(column + 1)) return 46;
  return code;
}

Rgba RingColour(int code) {
  switch (code) {
    case 48: case 104: return Rgba{255, 225, 40, 255};
    case 49: case 105: return Rgba{255, 70, 60, 255};
    case 50: case 106: return Rgba{70, 225, 90, 255};
    case 51: case 107: return Rgba{80, 140, 255, 255};
    case 97: return Rgba{255, 255, 255, 255};
    default: return Rgba{};
  }
}

void DrawRoom(RoomCanvas& cv, const LevelRoom& r, const ArtBook& book, const Image& gfx) {
  auto sprite = [&](int frame, int rx, int ry) { cv.Blit(gfx, (frame % 32) * 8, (frame / 32) * 16, 8, 16, rx, ry); };
  Fill(cv.img, cv.ox, cv.oy, kRoomW, kRoomH, Rgba{1, 1, 1, 255});
  // Backdrops: three copies side by side, shifted by the room's position.
  for (int h = 0; h < 2; ++h) {
    const Image* bg = Strip(book, r.half[h].style);
    const int frame = r.half[h].gfx;
    if (!bg || frame < 0 || frame > 1) continue;
    const long long sum = h == 0 ? 37LL * r.x + 42LL * r.y : 25LL * r.x + 57LL * r.y;
    const int shift = int((sum < 0 ? -sum : sum) % 160);
    for (int px = 0; px < 184; ++px)
      for (int py = 0; py < 64; ++py) cv.Put(px, h * 64 + py, bg->at(frame * 160 + ((px - shift) % 160 + 160) % 160, py));
  }
  // Cells, half by half and layer by layer, as the room's cell pass draws them.
  std::vector<std::array<int, 3>> creatures, rings;
  for (int h = 0; h < 2; ++h) {
    const Image* bg = Strip(book, r.half[h].style);
    for (int l = 0; l < 4; ++l)
      for (int c = 0; c < 23; ++c) {
        const int code = DrawnCode(r.half[h], l, c);
        if (code == 0) continue;
        if (code < 80) {
          if (bg) cv.Blit(*bg, code * 8, 0, 8, 64, c * 8, h * 64);
        } else if (code >= 160 && code < 256) {
          creatures.push_back({code, c, h});
        } else {
          sprite(code, c * 8, h * 64 + 43);
        }
        if (RingColour(code).a) rings.push_back({code, c, h});
      }
  }
  // Creatures are moving things: centred on their spawn column's left edge.
  for (const auto& [code, c, h] : creatures) sprite(code, c * 8 - 4, h * 64 + 43);
  if (r.x == 0 && r.y == 0) sprite(0, 20 - 4, 43);  // the player at the start
  for (const auto& [code, c, h] : rings) {
    if (code < 80) cv.Ring(c * 8, h * 64 + 2, 8, 60, RingColour(code));
    else cv.Ring(c * 8, h * 64 + 43, 8, 16, RingColour(code));
  }
}

// One pixel `along` pixels back from an arrow's tip at (x, y) and `across`
// to its side.
void ArrowPixel(Image& img, int x, int y, levelways::Way way, int along, int across, Rgba c) {
  int px = x, py = y;
  switch (way) {
    case levelways::Way::kLeft: px = x + along; py = y + across; break;
    case levelways::Way::kRight: px = x - along; py = y + across; break;
    case levelways::Way::kUp: px = x + across; py = y + along; break;
    case levelways::Way::kDown: px = x + across; py = y - along; break;
  }
  if (px >= 0 && py >= 0 && px < img.w && py < img.h) img.at(px, py) = c;
}

// Arrows 9 picture pixels long pointing along `way`, tip at (x, y): a head
// widening over 5 pixels, then a shaft 3 wide.
void Arrow(Image& img, int x, int y, levelways::Way way, Rgba c) {
  for (int along = 0; along < 9; ++along) {
    const int half = along < 5 ? along : 1;
    for (int across = -half; across <= half; ++across) ArrowPixel(img, x, y, way, along, across, c);
  }
}

std::string Upper(std::string s) {
  for (char& ch : s) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

}  // namespace

Image LevelMap(const LevelSource& level, const ArtBook& book) {
  const Image& gfx = book.images.at("Files/256/gfx.png");
  int minx = 0, maxx = 0, miny = 0, maxy = 0;
  for (const auto& r : level.rooms) {
    minx = std::min(minx, r.x);
    maxx = std::max(maxx, r.x);
    miny = std::min(miny, r.y);
    maxy = std::max(maxy, r.y);
  }
  // A level with rooms far apart would make a huge picture; a sane grid is a
  // few dozen rooms across.
  maxx = std::min(maxx, minx + 40);
  maxy = std::min(maxy, miny + 40);
  const int cols = maxx - minx + 1, rows = maxy - miny + 1;
  const int storyLines = int(level.story.size());
  const int header = kMargin + 24 + 14 + storyLines * 6 * kStoryScale + 22;
  const std::string legend =
      "ARROWS: WAYS OUT OF A ROOM FROM WHERE A PLAYER CAN STAND (GATES OPEN). RED: INTO NO ROOM. RINGS: KEYS, "
      "GATES, CROSS";
  const int width = std::max(kMargin * 2 + cols * kSlotW, kMargin * 2 + 8 * int(legend.size()));
  const int height = header + rows * kSlotH + 26;
  Image img(width, height);
  for (auto& p : img.px) p = kPaper;

  DrawLabel(img, kMargin, kMargin, level.title, kHead, 4);
  char line[160];
  std::snprintf(line, sizeof line, "BY %s   MAP FROM %d,%d TO %d,%d   %d ROOMS", level.author.c_str(), level.sx,
                level.sy, level.ex, level.ey, int(level.rooms.size()));
  DrawLabel(img, kMargin, kMargin + 26, line, kDim, 2);
  for (int i = 0; i < storyLines; ++i)
    DrawLabel(img, kMargin, kMargin + 40 + i * 6 * kStoryScale, level.story[size_t(i)], kInk, kStoryScale);

  // Where a player can go, and the ways out of each room.
  std::vector<levelways::RoomCells> cells(level.rooms.size());
  for (size_t i = 0; i < level.rooms.size(); ++i) {
    cells[i].x = level.rooms[i].x;
    cells[i].y = level.rooms[i].y;
    for (int h = 0; h < 2; ++h)
      for (int l = 0; l < 4; ++l)
        for (int c = 0; c < 23; ++c) cells[i].at(h, l, c) = KindCode(level.rooms[i].half[h].layers[l][size_t(c)]);
  }
  const levelways::Ways ways = levelways::Explore(cells);

  auto slotX = [&](int gx) { return kMargin + kGap / 2 + (gx - minx) * kSlotW; };
  auto roomY = [&](int gy) { return header + (gy - miny) * kSlotH + kTitleBand + kArrowBand; };
  for (int gy = miny; gy <= maxy; ++gy)
    for (int gx = minx; gx <= maxx; ++gx)
      if (levelways::RoomAt(cells, gx, gy) < 0) Fill(img, slotX(gx), roomY(gy), kRoomW, kRoomH, kNoRoom);
  for (size_t i = 0; i < level.rooms.size(); ++i) {
    const LevelRoom& r = level.rooms[i];
    // A room hidden by a later one at the same place is never entered.
    if (levelways::RoomAt(cells, r.x, r.y) != int(i) || r.x > maxx || r.y > maxy) continue;
    RoomCanvas cv{img, slotX(r.x), roomY(r.y)};
    DrawRoom(cv, r, book, gfx);
    bool reached = false;
    for (bool b : ways.reached[i]) reached = reached || b;
    std::snprintf(line, sizeof line, "%d,%d ", r.x, r.y);
    DrawLabel(img, cv.ox, cv.oy - kArrowBand - kTitleBand + 2, line, kDim, 2);
    DrawLabel(img, cv.ox + 8 * int(std::string(line).size()), cv.oy - kArrowBand - kTitleBand + 2,
              Upper(r.title) + (reached ? "" : "  (NOT REACHED)"), reached ? kInk : kDim, 2);
  }
  for (const auto& e : ways.exits) {
    const LevelRoom& r = level.rooms[size_t(e.room)];
    if (r.x > maxx || r.y > maxy) continue;
    const int ox = slotX(r.x), oy = roomY(r.y);
    const Rgba c = e.intoRoom ? kWayOk : kWayBad;
    const int mid = oy + (e.half * 64 + 36) * kScale;
    const int colx = ox + (e.column * 8 + 4) * kScale;
    switch (e.way) {
      case levelways::Way::kLeft: Arrow(img, ox - 5, mid, e.way, c); break;
      case levelways::Way::kRight: Arrow(img, ox + kRoomW + 4, mid, e.way, c); break;
      case levelways::Way::kUp: Arrow(img, colx, oy - 11, e.way, c); break;
      case levelways::Way::kDown: Arrow(img, colx, oy + kRoomH + 10, e.way, c); break;
    }
  }
  DrawLabel(img, kMargin, height - 18, legend, kDim, 2);
  return img;
}

}  // namespace datagen
