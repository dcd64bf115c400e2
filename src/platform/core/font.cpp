// Image fonts: a face rasterised once, at load, into an atlas of the 256 one-byte
// characters, so drawing text is drawing images.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/core/gfx_core.h"
#include "platform/core/load_problem.h"
#include "platform/files.h"
#include "platform/graphics.h"

namespace gfxcore {
namespace {

struct FontStore {
  std::map<int, std::unique_ptr<FontRec>> fonts;
  int next = 1;
  std::unique_ptr<FontRec> builtin;
};
FontStore& F() {
  static FontStore s;
  return s;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

// Whether a TrueType or OpenType file ends before a table its directory
// lists ends: a copy cut short. FreeType drops such tables without a word,
// and a face without its outlines opens and sizes like a whole one.
bool TablesCutShort(const std::string& file) {
  const uint64_t size = file.size();
  // The n bytes from `offset` on, or null when the file ends first.
  auto at = [&](uint64_t offset, uint64_t n) -> const uint8_t* {
    if (offset > size || n > size - offset) return nullptr;
    return reinterpret_cast<const uint8_t*>(file.data()) + offset;
  };
  auto be32 = [](const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
  };
  const uint8_t* head = at(0, 4);
  if (!head) return false;
  const uint32_t tag = be32(head);
  int64_t dir = -1;
  if (tag == 0x74746366u) {  // "ttcf": a collection, whose first face is the one loaded
    const uint8_t* first = at(12, 4);
    if (!first) return true;
    dir = be32(first);
  } else if (tag == 0x00010000u || tag == 0x4F54544Fu || tag == 0x74727565u) {  // 1.0, "OTTO", "true"
    dir = 0;
  }
  if (dir < 0) return false;
  const uint8_t* offsets = at(static_cast<uint64_t>(dir), 12);
  if (!offsets) return true;
  const uint64_t tables = static_cast<uint64_t>(offsets[4]) << 8 | offsets[5];
  const uint8_t* records = at(static_cast<uint64_t>(dir) + 12, 16 * tables);
  if (!records) return true;
  for (uint64_t t = 0; t < tables; ++t) {
    const uint8_t* r = records + 16 * t;
    if (static_cast<uint64_t>(be32(r + 8)) + be32(r + 12) > size) return true;
  }
  return false;
}

// The face at `size`, or null; `problem` says what is wrong with the file
// when that can be told (a face that loads may still be cut short).
std::unique_ptr<FontRec> Rasterise(const std::string& path, int size, int style, std::string& problem) {
  problem.clear();
  FT_Library lib = Library();
  if (!lib || size <= 0 || size > 512) return nullptr;
  // Only a regular file is read, and FreeType is given its bytes rather
  // than its name: a pipe in its place would hold the loading for good.
  std::string file;
  if (!ReadWholeFile(path, file)) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(file.data()), static_cast<FT_Long>(file.size()), 0,
                         &face) != 0) {
    if (TablesCutShort(file)) problem = loadproblem::kEndsEarly;
    return nullptr;
  }
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  const bool smooth = (style & SMOOTHFONT) != 0;
  const int ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  const int descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);

  struct Bitmap {
    int w = 0, h = 0;
    std::vector<uint8_t> cov;
  };
  std::array<Bitmap, 256> maps;
  auto font = std::make_unique<FontRec>();
  font->height = std::max(1, ascent + descent);
  int cell_w = 1;
  // Printable ASCII characters that put a pixel on the screen.
  int inked = 0;
  for (int c = 0; c < 256; ++c) {
    // One byte per character, Latin-1: the byte is the code point.
    const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
    if (index == 0 && c != 32) continue;
    FT_Int32 load = FT_LOAD_DEFAULT | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Glyph(face, index, load) != 0) continue;
    if (style & BOLDFONT) FT_GlyphSlot_Embolden(face->glyph);
    if (style & ITALICFONT) FT_GlyphSlot_Oblique(face->glyph);
    if (FT_Render_Glyph(face->glyph, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
      continue;
    const FT_GlyphSlot g = face->glyph;
    Glyph& gl = font->glyphs[c];
    gl.advance = static_cast<int>((g->advance.x + 32) >> 6);
    gl.left = g->bitmap_left;
    gl.top = ascent - g->bitmap_top;
    Bitmap& bm = maps[c];
    bm.w = static_cast<int>(g->bitmap.width);
    bm.h = static_cast<int>(g->bitmap.rows);
    bm.cov.resize(static_cast<size_t>(bm.w) * bm.h);
    for (int y = 0; y < bm.h; ++y) {
      const uint8_t* row = g->bitmap.buffer + static_cast<ptrdiff_t>(y) * g->bitmap.pitch;
      for (int x = 0; x < bm.w; ++x) {
        uint8_t v = 0;
        if (g->bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else
          v = row[x];
        bm.cov[static_cast<size_t>(y) * bm.w + x] = v;
      }
    }
    if (c >= 32 && c <= 126 && std::any_of(bm.cov.begin(), bm.cov.end(), [](uint8_t v) { return v != 0; }))
      ++inked;
    gl.w = bm.w;
    gl.h = bm.h;
    cell_w = std::max(cell_w, bm.w + 2);
  }
  FT_Done_Face(face);
  const bool cut_short = TablesCutShort(file);
  // A face whose printable characters all come out blank would show no text
  // at all, where handle 0's default font shows it: it counts as not loaded.
  if (inked == 0) {
    problem = cut_short ? loadproblem::kEndsEarly : "draws no letters";
    return nullptr;
  }
  if (cut_short) problem = loadproblem::kEndsEarly;

  // Glyphs packed in shelves, tallest first, each with a clear one-pixel border so
  // filtered drawing never bleeds between neighbours.
  int64_t area = 0;
  for (const Bitmap& bm : maps) area += static_cast<int64_t>(bm.w + 2) * (bm.h + 2);
  const int width = std::max(cell_w, static_cast<int>(std::sqrt(static_cast<double>(area)) * 1.1) + 1);
  std::array<int, 256> order;
  for (int c = 0; c < 256; ++c) order[c] = c;
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return maps[a].h > maps[b].h; });
  int pen_x = 0, pen_y = 0, shelf_h = 0;
  for (int c : order) {
    const Bitmap& bm = maps[c];
    if (bm.w == 0 || bm.h == 0) continue;
    if (pen_x + bm.w + 2 > width) {
      pen_x = 0;
      pen_y += shelf_h;
      shelf_h = 0;
    }
    font->glyphs[c].atlas_x = pen_x + 1;
    font->glyphs[c].atlas_y = pen_y + 1;
    pen_x += bm.w + 2;
    shelf_h = std::max(shelf_h, bm.h + 2);
  }
  auto atlas = std::make_unique<ImageRec>();
  atlas->width = width;
  atlas->height = std::max(1, pen_y + shelf_h);
  atlas->frames = 1;
  // Smooth faces stay smooth when drawn smaller than their size.
  atlas->flags = smooth ? (FILTEREDIMAGE | MIPMAPPEDIMAGE) : FILTEREDIMAGE;
  // Glyphs are white; only their coverage varies, so one byte per texel does.
  atlas->coverage.assign(static_cast<size_t>(atlas->width) * atlas->height, 0);
  for (int c = 0; c < 256; ++c) {
    const Glyph& gl = font->glyphs[c];
    const Bitmap& bm = maps[c];
    for (int y = 0; y < bm.h; ++y)
      std::copy_n(bm.cov.data() + static_cast<size_t>(y) * bm.w, bm.w,
                  atlas->coverage.data() +
                      static_cast<size_t>(gl.atlas_y + y) * atlas->width + gl.atlas_x);
  }
  font->atlas = std::move(atlas);
  return font;
}

// Used when no font is selected: the system's plain sans face, or, on a machine
// without it, solid boxes that still measure and draw.
std::unique_ptr<FontRec> MakeBuiltin() {
  static const char* const kFaces[] = {
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
      "/usr/share/fonts/TTF/DejaVuSans.ttf",
      "/usr/share/fonts/dejavu/DejaVuSans.ttf",
  };
  std::string problem;
  for (const char* face : kFaces)
    if (auto f = Rasterise(face, 14, SMOOTHFONT, problem)) return f;
  auto font = std::make_unique<FontRec>();
  font->height = 16;
  auto atlas = std::make_unique<ImageRec>();
  atlas->width = 8;
  atlas->height = 12;
  atlas->frames = 1;
  atlas->coverage.assign(8 * 12, 255);
  font->atlas = std::move(atlas);
  for (int c = 0; c < 256; ++c) {
    Glyph& g = font->glyphs[c];
    g.advance = 8;
    if (c > 32 && c != 127 && c != 160) {
      g.w = 6;
      g.h = 10;
      g.left = 1;
      g.top = 3;
      g.atlas_x = 1;
      g.atlas_y = 1;
    }
  }
  return font;
}

}  // namespace

FontRec* Font(int handle) {
  auto it = F().fonts.find(handle);
  return it == F().fonts.end() ? nullptr : it->second.get();
}

FontRec& CurrentFont() {
  if (FontRec* f = Font(State().font)) return *f;
  if (!F().builtin) F().builtin = MakeBuiltin();
  return *F().builtin;
}

int LiveFontCount() { return static_cast<int>(F().fonts.size()); }

void ClearAll() {
  if (g_release_hook) {
    for (auto& [h, f] : F().fonts) g_release_hook(*f->atlas);
    if (F().builtin) g_release_hook(*F().builtin->atlas);
  }
  F().fonts.clear();
  F().builtin.reset();
  ClearImagesAndPixmaps();
}

}  // namespace gfxcore

using namespace gfxcore;

int LoadImageFont(const std::string& path, int size, int style) {
  auto font = Rasterise(path, size, style, loadproblem::last);
  if (!font) return 0;
  const int h = F().next++;
  F().fonts[h] = std::move(font);
  return h;
}

void FreeImageFont(int font) {
  auto it = F().fonts.find(font);
  if (it == F().fonts.end()) return;
  if (g_flush_hook) g_flush_hook();
  if (g_release_hook) g_release_hook(*it->second->atlas);
  F().fonts.erase(it);
  if (State().font == font) State().font = 0;
}

void SetImageFont(int font) { State().font = Font(font) ? font : 0; }
int GetImageFont() { return State().font; }

int TextWidth(const std::string& text) {
  const FontRec& f = CurrentFont();
  int w = 0;
  for (unsigned char c : text) w += f.glyphs[c].advance;
  return w;
}

int TextHeight(const std::string&) { return CurrentFont().height; }
