// The data generator: turns the text sources under data/ into the pictures,
// sounds, music and levels the game reads.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace datagen {

// ---- shared helpers -------------------------------------------------------------

[[noreturn]] void Fail(const std::string& what);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void MakeDirs(const std::string& path);
std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> Words(const std::string& line);
std::string Trim(const std::string& s);
std::vector<std::string> ListFiles(const std::string& dir, const std::string& suffix);

// ---- pictures -------------------------------------------------------------------

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Image {
  int w = 0, h = 0;
  std::vector<Rgba> px;
  Image() = default;
  Image(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height)) {}
  Rgba& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
  const Rgba& at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

void WritePng(const std::string& path, const Image& img);

// A named region of an output picture, kept for the contact sheet.
struct Piece {
  std::string image;  // output path relative to the game folder
  int x = 0, y = 0, w = 0, h = 0;
  int number = 0;     // frame number, or -1 for free blocks
  std::string name;
};

struct ArtBook {
  std::map<std::string, Image> images;     // by output path
  std::vector<std::string> order;          // output paths in first-seen order
  std::vector<Piece> pieces;
};

// Reads data/art/palette.txt and every other data/art/*.txt into pictures.
void LoadArt(const std::string& artDir, ArtBook& book);
// Draws every frame of the sprite sheet and every terrain piece enlarged, labelled.
Image ContactSheet(const ArtBook& book);
// Tiny built-in 3x5 font for labels.
void DrawLabel(Image& img, int x, int y, const std::string& text, Rgba colour, int scale = 1);

// ---- sound ------------------------------------------------------------------------

constexpr int kRate = 44100;

// Renders one recipe file into mono samples in -1..1.
std::vector<float> RenderRecipe(const std::string& path);
void WriteWav(const std::string& path, const std::vector<float>& mono);

// Renders a song (note data) with the instrument recipes of instDir into stereo
// interleaved samples.
std::vector<float> RenderSong(const std::string& songPath, const std::string& instDir);
void WriteOgg(const std::string& path, const std::vector<float>& stereo);

// ---- levels -------------------------------------------------------------------------

// One kind of room cell: its letter in a level source, its name in a level
// file and its code (the terrain frame below 80, the sprite frame above).
struct Kind {
  char letter;
  const char* name;
  int code;
};
const std::vector<Kind>& Kinds();
// The code of a source letter, 0 for '.' and unknown letters.
int KindCode(char letter);

struct LevelHalf {
  int style = 0, gfx = 0;
  std::string layers[4];  // 25 letters each, '.' empty; columns 0..22 are the room's
};

struct LevelRoom {
  std::string title;
  int x = 0, y = 0;
  LevelHalf half[2];  // top, bottom
};

struct LevelSource {
  std::string title, author;
  int sx = 100, sy = 100, ex = 100, ey = 100;
  std::vector<std::string> story;
  std::vector<LevelRoom> rooms;
};

LevelSource ParseLevel(const std::string& sourceText);
// Converts a level source into the exact level-file layout (CR LF).
std::string BuildLevel(const std::string& sourceText);
// Draws every room of a level at its place on the grid, as the game shows it,
// with the ways between rooms marked and the room titles above.
Image LevelMap(const LevelSource& level, const ArtBook& book);

}  // namespace datagen
