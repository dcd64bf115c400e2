// Pixel art from text grids: one palette shared by every picture, one text file
// per sheet or strip. See data/art/README.txt for the file format.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "datagen.h"

namespace datagen {

void WritePng(const std::string& path, const Image& img) {
  MakeDirs(std::filesystem::path(path).parent_path().string());
  std::string tmp = path + ".part";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) Fail("cannot write " + tmp);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fclose(f);
    Fail("png error writing " + path);
  }
  png_init_io(png, f);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, png_uint_32(img.w), png_uint_32(img.h), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(img.w) * 4);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      Rgba c = img.at(x, y);
      // Transparent pixels are stored as (0,0,0,0) so that the picture reads
      // the same with or without its alpha channel.
      if (c.a == 0) c = Rgba{};
      row[size_t(x) * 4 + 0] = c.r;
      row[size_t(x) * 4 + 1] = c.g;
      row[size_t(x) * 4 + 2] = c.b;
      row[size_t(x) * 4 + 3] = c.a;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  std::filesystem::rename(tmp, path);
}

namespace {

struct Palette {
  bool has[256] = {};
  Rgba col[256];
};

Palette LoadPalette(const std::string& path) {
  Palette pal;
  auto lines = SplitLines(ReadText(path));
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (line.empty() || line[0] == '#') continue;
    auto w = Words(line.substr(1));
    if (w.size() < 3) Fail(path + ":" + std::to_string(i + 1) + ": palette line needs r g b [a]");
    unsigned char ch = static_cast<unsigned char>(line[0]);
    Rgba c;
    c.r = uint8_t(std::stoi(w[0]));
    c.g = uint8_t(std::stoi(w[1]));
    c.b = uint8_t(std::stoi(w[2]));
    c.a = uint8_t(w.size() > 3 && w[3][0] != ';' ? std::stoi(w[3]) : 255);
    if (c.a == 255 && c.r == 0 && c.g == 0 && c.b == 0)
      Fail(path + ": opaque pure black is reserved for transparency");
    pal.has[ch] = true;
    pal.col[ch] = c;
  }
  pal.has[static_cast<unsigned char>('.')] = true;
  pal.col[static_cast<unsigned char>('.')] = Rgba{};
  return pal;
}

struct Reader {
  std::string file;
  std::vector<std::string> lines;
  size_t pos = 0;
  std::string Where() const { return file + ":" + std::to_string(pos); }
};

// Reads h grid rows of exactly w characters.
std::vector<std::string> ReadGrid(Reader& r, int w, int h) {
  std::vector<std::string> rows;
  while (int(rows.size()) < h) {
    if (r.pos >= r.lines.size()) Fail(r.Where() + ": grid ends early");
    std::string row = r.lines[r.pos++];
    while (!row.empty() && (row.back() == ' ' || row.back() == '\t')) row.pop_back();
    if (int(row.size()) != w)
      Fail(r.Where() + ": grid row has " + std::to_string(row.size()) + " characters, want " +
           std::to_string(w));
    rows.push_back(row);
  }
  return rows;
}

void Paint(Image& img, int x0, int y0, const std::vector<std::string>& rows, const Palette& pal,
           int scale, const Reader& r) {
  for (int y = 0; y < int(rows.size()); ++y) {
    for (int x = 0; x < int(rows[size_t(y)].size()); ++x) {
      unsigned char ch = static_cast<unsigned char>(rows[size_t(y)][size_t(x)]);
      if (!pal.has[ch]) Fail(r.Where() + ": colour '" + std::string(1, char(ch)) + "' is not in the palette");
      for (int sy = 0; sy < scale; ++sy)
        for (int sx = 0; sx < scale; ++sx) {
          int px = x0 + x * scale + sx, py = y0 + y * scale + sy;
          if (px < 0 || py < 0 || px >= img.w || py >= img.h) Fail(r.Where() + ": block leaves the picture");
          img.at(px, py) = pal.col[ch];
        }
    }
  }
}

// Softens a scaled-up region: a small blur that keeps colour where alpha is
// thin, for logos and emblems drawn with filtering.
void Soften(Image& img, int x0, int y0, int w, int h) {
  Image src = img;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      float r = 0, g = 0, b = 0, a = 0, n = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int sx = std::clamp(x + dx, 0, img.w - 1), sy = std::clamp(y + dy, 0, img.h - 1);
          const Rgba& c = src.at(sx, sy);
          float wgt = (dx == 0 && dy == 0) ? 4.f : (dx == 0 || dy == 0) ? 2.f : 1.f;
          float ca = c.a / 255.f * wgt;
          r += c.r * ca;
          g += c.g * ca;
          b += c.b * ca;
          a += ca;
          n += wgt;
        }
      Rgba& o = img.at(x, y);
      if (a <= 0.001f) {
        o = Rgba{};
        continue;
      }
      o.r = uint8_t(r / a + 0.5f);
      o.g = uint8_t(g / a + 0.5f);
      o.b = uint8_t(b / a + 0.5f);
      o.a = uint8_t(std::min(255.f, a / n * 255.f + 0.5f));
      if (o.a > 0 && o.r == 0 && o.g == 0 && o.b == 0) o.r = o.g = o.b = 1;
    }
}

struct OpenImage {
  std::string path;
  int cellw = 8, cellh = 16;
};

void LoadArtFile(const std::string& path, const Palette& pal, ArtBook& book) {
  Reader r;
  r.file = path;
  r.lines = SplitLines(ReadText(path));
  OpenImage cur;
  while (r.pos < r.lines.size()) {
    std::string line = r.lines[r.pos++];
    auto w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    const std::string& cmd = w[0];
    if (cmd == "image") {
      if (w.size() != 4) Fail(r.Where() + ": image <path> <w> <h>");
      cur.path = w[1];
      if (!book.images.count(cur.path)) {
        book.images[cur.path] = Image(std::stoi(w[2]), std::stoi(w[3]));
        book.order.push_back(cur.path);
      }
    } else if (cmd == "cells") {
      if (w.size() != 3) Fail(r.Where() + ": cells <w> <h>");
      cur.cellw = std::stoi(w[1]);
      cur.cellh = std::stoi(w[2]);
    } else if (cmd == "frame") {
      if (cur.path.empty()) Fail(r.Where() + ": frame before image");
      if (w.size() < 3) Fail(r.Where() + ": frame <n> <name> [from <m> ...]");
      Image& img = book.images[cur.path];
      int n = std::stoi(w[1]);
      int per = img.w / cur.cellw;
      int fx = (n % per) * cur.cellw, fy = (n / per) * cur.cellh;
      if (fy + cur.cellh > img.h) Fail(r.Where() + ": frame outside the picture");
      if (w.size() > 3 && w[3] == "from") {
        // A copy of another frame, optionally recoloured, mirrored or shifted.
        if (w.size() < 5) Fail(r.Where() + ": from <m>");
        int m = std::stoi(w[4]);
        int mx = (m % per) * cur.cellw, my = (m / per) * cur.cellh;
        Image cell(cur.cellw, cur.cellh);
        for (int y = 0; y < cur.cellh; ++y)
          for (int x = 0; x < cur.cellw; ++x) cell.at(x, y) = img.at(mx + x, my + y);
        std::vector<std::pair<unsigned char, unsigned char>> swaps;
        bool flipx = false, flipy = false;
        int dx = 0, dy = 0;
        for (size_t i = 5; i < w.size(); ++i) {
          if (w[i] == "flipx") flipx = true;
          else if (w[i] == "flipy") flipy = true;
          else if (w[i] == "shift" && i + 2 < w.size()) {
            dx = std::stoi(w[i + 1]);
            dy = std::stoi(w[i + 2]);
            i += 2;
          } else if (w[i] == "swap") {
          } else if (w[i].size() == 2) {
            swaps.push_back({static_cast<unsigned char>(w[i][0]), static_cast<unsigned char>(w[i][1])});
          } else {
            Fail(r.Where() + ": unknown copy option " + w[i]);
          }
        }
        for (int y = 0; y < cur.cellh; ++y)
          for (int x = 0; x < cur.cellw; ++x) {
            int sx = flipx ? cur.cellw - 1 - x : x;
            int sy = flipy ? cur.cellh - 1 - y : y;
            sx -= dx;
            sy -= dy;
            Rgba c{};
            if (sx >= 0 && sy >= 0 && sx < cur.cellw && sy < cur.cellh) c = cell.at(sx, sy);
            for (auto [from, to] : swaps) {
              const Rgba& f = pal.col[from];
              if (pal.has[from] && pal.has[to] && c.r == f.r && c.g == f.g && c.b == f.b && c.a == f.a) {
                c = pal.col[to];
                break;
              }
            }
            img.at(fx + x, fy + y) = c;
          }
      } else {
        auto rows = ReadGrid(r, cur.cellw, cur.cellh);
        Paint(img, fx, fy, rows, pal, 1, r);
      }
      book.pieces.push_back(Piece{cur.path, fx, fy, cur.cellw, cur.cellh, n, w[2]});
    } else if (cmd == "block") {
      if (cur.path.empty()) Fail(r.Where() + ": block before image");
      if (w.size() < 6) Fail(r.Where() + ": block <x> <y> <w> <h> <name> [scale s] [soft]");
      Image& img = book.images[cur.path];
      int x = std::stoi(w[1]), y = std::stoi(w[2]), bw = std::stoi(w[3]), bh = std::stoi(w[4]);
      int scale = 1;
      bool soft = false;
      for (size_t i = 6; i < w.size(); ++i) {
        if (w[i] == "scale" && i + 1 < w.size()) scale = std::stoi(w[++i]);
        else if (w[i] == "soft") soft = true;
        else Fail(r.Where() + ": unknown block option " + w[i]);
      }
      auto rows = ReadGrid(r, bw, bh);
      Paint(img, x, y, rows, pal, scale, r);
      if (soft) Soften(img, x, y, bw * scale, bh * scale);
      book.pieces.push_back(Piece{cur.path, x, y, bw * scale, bh * scale, -1, w[5]});
    } else {
      Fail(r.Where() + ": unknown directive " + cmd);
    }
  }
}

}  // namespace

void LoadArt(const std::string& artDir, ArtBook& book) {
  Palette pal = LoadPalette(artDir + "/palette.txt");
  for (const auto& f : ListFiles(artDir, ".txt")) {
    if (std::filesystem::path(f).filename() == "palette.txt") continue;
    if (std::filesystem::path(f).filename() == "README.txt") continue;
    LoadArtFile(f, pal, book);
  }
}

// ---- contact sheet -------------------------------------------------------------------

namespace {

// 3x5 glyphs, five rows of three bits each (bit 2 = left column).
struct Glyph {
  char c;
  uint8_t rows[5];
};
const Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}},
    {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
    {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}}, {'Q', {2, 5, 5, 6, 3}}, {'R', {6, 5, 6, 5, 5}},
    {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
    {'_', {0, 0, 0, 0, 7}}, {'-', {0, 0, 7, 0, 0}}, {'.', {0, 0, 0, 0, 2}}, {':', {0, 2, 0, 2, 0}},
    {'/', {1, 1, 2, 4, 4}}, {'(', {1, 2, 2, 2, 1}}, {')', {4, 2, 2, 2, 4}}, {' ', {0, 0, 0, 0, 0}},
    {'\'', {2, 2, 0, 0, 0}}, {',', {0, 0, 0, 2, 4}}, {'!', {2, 2, 2, 0, 2}}, {'?', {7, 1, 3, 0, 2}},
    {'&', {2, 5, 2, 5, 3}}, {'"', {5, 5, 0, 0, 0}}, {';', {0, 2, 0, 2, 4}}, {'+', {0, 2, 7, 2, 0}},
    {'=', {0, 7, 0, 7, 0}}, {'#', {5, 7, 5, 7, 5}}, {'<', {1, 2, 4, 2, 1}}, {'>', {4, 2, 1, 2, 4}},
    {'*', {5, 2, 7, 2, 5}},
};

}  // namespace

void DrawLabel(Image& img, int x, int y, const std::string& text, Rgba colour, int scale) {
  int cx = x;
  for (char ch : text) {
    char u = char(std::toupper(static_cast<unsigned char>(ch)));
    const Glyph* g = nullptr;
    for (const auto& k : kGlyphs)
      if (k.c == u) g = &k;
    if (g) {
      for (int ry = 0; ry < 5; ++ry)
        for (int rx = 0; rx < 3; ++rx)
          if (g->rows[ry] & (4 >> rx))
            for (int sy = 0; sy < scale; ++sy)
              for (int sx = 0; sx < scale; ++sx) {
                int px = cx + rx * scale + sx, py = y + ry * scale + sy;
                if (px >= 0 && py >= 0 && px < img.w && py < img.h) img.at(px, py) = colour;
              }
    }
    cx += 4 * scale;
  }
}

namespace {

void Blit(Image& dst, int dx, int dy, const Image& src, const Piece& p, int scale) {
  for (int y = 0; y < p.h * scale; ++y)
    for (int x = 0; x < p.w * scale; ++x) {
      int px = dx + x, py = dy + y;
      if (px < 0 || py < 0 || px >= dst.w || py >= dst.h) continue;
      // Checkerboard under transparency so holes in sprites show.
      Rgba bg = (((x / 4) + (y / 4)) & 1) ? Rgba{70, 70, 84, 255} : Rgba{92, 92, 108, 255};
      const Rgba& c = src.at(p.x + x / scale, p.y + y / scale);
      float a = c.a / 255.f;
      Rgba o;
      o.r = uint8_t(c.r * a + bg.r * (1 - a));
      o.g = uint8_t(c.g * a + bg.g * (1 - a));
      o.b = uint8_t(c.b * a + bg.b * (1 - a));
      o.a = 255;
      dst.at(px, py) = o;
    }
}

}  // namespace

Image ContactSheet(const ArtBook& book) {
  const int W = 1400;
  const Rgba ink{240, 236, 220, 255}, head{255, 210, 90, 255};
  // Sprite frames: scale 6, 10 per row.
  std::vector<const Piece*> sprites, terrain, backdrops;
  for (const auto& p : book.pieces) {
    if (p.image.find("gfx.png") != std::string::npos) sprites.push_back(&p);
    else if (p.image.find("/bg0") != std::string::npos) (p.w == 8 ? terrain : backdrops).push_back(&p);
  }
  const int sw = 8 * 6, sh = 16 * 6, scellw = 104, scellh = sh + 30;
  int sperrow = (W - 20) / scellw;
  int srows = (int(sprites.size()) + sperrow - 1) / sperrow;
  // Terrain: per style one row of backdrops then one row of terrain at scale 3.
  std::vector<std::string> styles;
  for (const auto& p : book.pieces)
    if (p.image.find("/bg0") != std::string::npos &&
        std::find(styles.begin(), styles.end(), p.image) == styles.end())
      styles.push_back(p.image);
  const int th = 64 * 3, tcellw = 8 * 3 + 46;
  int styleh = 30 + 128 + 10 + th + 34;
  int H = 40 + srows * scellh + 40 + int(styles.size()) * styleh + 20;
  Image sheet(W, H);
  for (auto& c : sheet.px) c = Rgba{30, 28, 40, 255};
  DrawLabel(sheet, 10, 10, "GFX.PNG SPRITE FRAMES (X6)", head, 3);
  for (size_t i = 0; i < sprites.size(); ++i) {
    const Piece& p = *sprites[i];
    int cx = 10 + int(i % size_t(sperrow)) * scellw, cy = 40 + int(i / size_t(sperrow)) * scellh;
    Blit(sheet, cx + (scellw - sw) / 2 - 4, cy, book.images.at(p.image), p, 6);
    DrawLabel(sheet, cx, cy + sh + 4, std::to_string(p.number), head, 2);
    // Long names drop to the small size rather than being cut.
    DrawLabel(sheet, cx, cy + sh + 17, p.name, ink, p.name.size() <= 12 ? 2 : 1);
  }
  int y = 40 + srows * scellh + 30;
  for (const auto& st : styles) {
    DrawLabel(sheet, 10, y, st + " BACKDROPS (X2) AND TERRAIN (X3)", head, 3);
    int x = 10;
    for (auto* p : backdrops)
      if (p->image == st) {
        Blit(sheet, x, y + 24, book.images.at(st), *p, 2);
        DrawLabel(sheet, x, y + 24 + 130, p->name, ink, 1);
        x += 340;
      }
    int tx = 10, ty = y + 24 + 128 + 14;
    for (auto* p : terrain)
      if (p->image == st) {
        Blit(sheet, tx + 10, ty, book.images.at(st), *p, 3);
        DrawLabel(sheet, tx, ty + th + 4, std::to_string(p->number), head, 2);
        DrawLabel(sheet, tx, ty + th + 17, p->name, ink, 1);
        tx += tcellw + 4;
      }
    y += styleh;
  }
  return sheet;
}

}  // namespace datagen
