// The generated game folder: every data file the game loads, with the sizes
// and frame counts its loaders cut, sounds and music that decode, and the
// solid sprite shapes the touch and hit tests rely on.
#include <gtest/gtest.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/test_util.h"

namespace fs = std::filesystem;

namespace {

std::string GameDir() {
  const char* d = std::getenv("DUSKMOOR_GAME_DIR");
  return d ? d : "";
}

struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  uint8_t Alpha(int x, int y) const { return rgba[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3]; }
  const uint8_t* Px(int x, int y) const { return &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
};

bool LoadPicture(const std::string& path, Picture& pic) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  img.format = PNG_FORMAT_RGBA;
  pic.w = int(img.width);
  pic.h = int(img.height);
  pic.rgba.assign(PNG_IMAGE_SIZE(img), 0);
  bool ok = png_image_finish_read(&img, nullptr, pic.rgba.data(), 0, nullptr) != 0;
  png_image_free(&img);
  return ok;
}

// ---- pictures ------------------------------------------------------------------------

struct PictureCase {
  const char* path;
  int w, h;
  int cellw, cellh, cells;  // cells the loader cuts (0: loaded whole)
};

const PictureCase kPictures[] = {
    {"Files/Common/icons.png", 128, 128, 16, 16, 64},
    {"Files/Common/logo.png", 320, 240, 0, 0, 0},
    {"Files/Common/Quendry.png", 256, 256, 0, 0, 0},
    {"Files/256/bg001.png", 640, 64, 8, 64, 80},
    {"Files/256/bg002.png", 640, 64, 8, 64, 80},
    {"Files/256/bg003.png", 640, 64, 8, 64, 80},
    {"Files/256/bg004.png", 640, 64, 8, 64, 80},
    {"Files/256/bg005.png", 640, 64, 8, 64, 80},
    {"Files/256/bg006.png", 640, 64, 8, 64, 80},
    {"Files/256/gfx.png", 256, 256, 8, 16, 512},
    {"Files/256/logo.png", 600, 120, 0, 0, 0},
    {"Files/256/logob.png", 600, 120, 0, 0, 0},
    {"Files/256/map.png", 192, 144, 0, 0, 0},
    {"Files/256/mapB.png", 768, 576, 0, 0, 0},
    {"Files/256/badges.png", 256, 256, 64, 64, 16},
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.path; }

class PictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureTest, HasItsSizeAndCellsAndSomethingToShow) {
  const PictureCase& c = GetParam();
  Picture pic;
  ASSERT_TRUE(LoadPicture(GameDir() + "/" + c.path, pic)) << c.path;
  EXPECT_EQ(pic.w, c.w) << c.path;
  EXPECT_EQ(pic.h, c.h) << c.path;
  if (c.cells > 0) {
    EXPECT_GE((pic.w / c.cellw) * (pic.h / c.cellh), c.cells) << c.path;
  }
  size_t solid = 0;
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const uint8_t* p = pic.Px(x, y);
      if (p[3] >= 128) ++solid;
      // Opaque pure black would vanish if the picture were read without alpha.
      if (p[3] == 255) {
        EXPECT_FALSE(p[0] == 0 && p[1] == 0 && p[2] == 0) << c.path << " at " << x << "," << y;
      }
    }
  EXPECT_GT(solid, 0u) << c.path;
}

INSTANTIATE_TEST_SUITE_P(Checklist, PictureTest, ::testing::ValuesIn(kPictures),
                         [](const auto& info) {
                           std::string n = info.param.path;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST(StyleStrips, AreNumberedFromOneWithoutGapsAndNeverReachOneHundred) {
  int highest = 0;
  for (int n = 1; n <= 100; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Files/256/bg%03d.png", n);
    if (fs::exists(GameDir() + name)) {
      EXPECT_EQ(highest, n - 1) << "gap before style " << n;
      highest = n;
    }
  }
  EXPECT_GE(highest, 6);
  EXPECT_LT(highest, 100);
}

// ---- sprite shapes ---------------------------------------------------------------------

struct Band {
  int frame;
  int top, bottom;  // every solid pixel lies within these rows, and some do
  const char* what;
};

// The rows where solid pixels may lie decide play: which shot height hits
// which creature, what a crouch dodges, how far an explosion reaches.
const Band kBands[] = {
    {0, 0, 15, "player standing"},      {1, 0, 15, "player walking"},
    {2, 0, 15, "player walking"},       {3, 0, 15, "player walking"},
    {10, 8, 15, "player crouching"},    {14, 0, 15, "player in the air"},
    {15, 0, 15, "player hanging"},      {16, 0, 15, "player hanging"},
    {17, 0, 15, "player hanging"},      {18, 12, 15, "player fallen"},
    {64, 7, 8, "shot"},                 {65, 11, 12, "crouching shot"},
    {66, 7, 8, "shot in the air"},      {67, 7, 8, "strong shot"},
    {68, 11, 12, "strong crouching shot"}, {69, 7, 8, "strong shot in the air"},
    {70, 6, 7, "turret shot"},          {96, 9, 14, "gem"},
    {97, 3, 15, "cross"},               {98, 9, 15, "health"},
    {99, 11, 14, "ammo"},               {101, 11, 14, "ammo 2"},
    {103, 12, 15, "mine"},              {104, 8, 15, "yellow key"},
    {105, 8, 15, "red key"},            {106, 8, 15, "green key"},
    {107, 8, 15, "blue key"},           {108, 6, 15, "turret left"},
    {109, 6, 15, "turret right"},       {158, 1, 15, "blast"},
    {159, 1, 15, "blast"},              {160, 2, 7, "bat"},
    {161, 2, 7, "bat"},                 {162, 7, 15, "dog"},
    {163, 7, 15, "dog"},                {164, 6, 15, "barrel"},
    {165, 6, 15, "barrel"},             {166, 8, 15, "spikey"},
    {167, 8, 15, "spikey"},             {168, 1, 15, "bear"},
    {169, 1, 15, "bear"},               {170, 11, 15, "snake"},
    {171, 11, 15, "snake"},             {172, 9, 15, "spike"},
    {173, 9, 15, "spike"},              {174, 4, 15, "flame"},
    {175, 4, 15, "flame"},              {176, 12, 15, "lowered spike"},
    {177, 3, 15, "raised spike"},       {178, 12, 15, "lowered spike"},
    {179, 3, 15, "raised spike"},
};

void PrintTo(const Band& b, std::ostream* os) { *os << b.frame << " " << b.what; }

class SpriteBandTest : public ::testing::TestWithParam<Band> {};

TEST_P(SpriteBandTest, SolidPixelsLieInTheirBand) {
  static Picture gfx;
  if (gfx.w == 0) {
    ASSERT_TRUE(LoadPicture(GameDir() + "/Files/256/gfx.png", gfx));
  }
  const Band& b = GetParam();
  int fx = (b.frame % 32) * 8, fy = (b.frame / 32) * 16;
  int solid = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      if (gfx.Alpha(fx + x, fy + y) >= 128) {
        ++solid;
        EXPECT_GE(y, b.top) << b.what << " frame " << b.frame << " col " << x;
        EXPECT_LE(y, b.bottom) << b.what << " frame " << b.frame << " col " << x;
      }
  EXPECT_GT(solid, 0) << b.what << " frame " << b.frame << " has no solid pixel";
}

INSTANTIATE_TEST_SUITE_P(Frames, SpriteBandTest, ::testing::ValuesIn(kBands),
                         [](const auto& info) { return "frame" + std::to_string(info.param.frame); });

TEST(SpriteSheet, PlayerLegsStayWithinTheWalkingStride) {
  Picture gfx;
  ASSERT_TRUE(LoadPicture(GameDir() + "/Files/256/gfx.png", gfx));
  for (int f : {0, 1, 2, 3, 10, 14, 15, 16, 17}) {
    // Crouching, the gun is held at row 11; the legs are below it.
    for (int y = f == 10 ? 12 : 11; y < 16; ++y)
      for (int x : {0, 7}) EXPECT_LT(gfx.Alpha((f % 32) * 8 + x, (f / 32) * 16 + y), 128) << "frame " << f << " row " << y;
  }
}

TEST(SpriteSheet, ExplosionGrowsAndItsHarmfulStagesCoverTheWholeCell) {
  Picture gfx;
  ASSERT_TRUE(LoadPicture(GameDir() + "/Files/256/gfx.png", gfx));
  auto solidCount = [&](int f) {
    int n = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 8; ++x) n += gfx.Alpha((f % 32) * 8 + x, (f / 32) * 16 + y) >= 128;
    return n;
  };
  for (int f = 145; f <= 157; ++f) EXPECT_GT(solidCount(f), 0) << "explosion stage " << f;
  EXPECT_LT(solidCount(145), solidCount(157));
  // The blast hurts anyone within a cell: every pixel of rows 1-15 is solid.
  EXPECT_EQ(solidCount(158), 8 * 15);
  EXPECT_EQ(solidCount(159), 8 * 15);
}

TEST(SpriteSheet, UsesOnlyFullyTransparentOrFullyOpaquePixels) {
  Picture gfx;
  ASSERT_TRUE(LoadPicture(GameDir() + "/Files/256/gfx.png", gfx));
  for (int y = 0; y < gfx.h; ++y)
    for (int x = 0; x < gfx.w; ++x) {
      uint8_t a = gfx.Alpha(x, y);
      ASSERT_TRUE(a == 0 || a == 255) << "soft alpha at " << x << "," << y;
    }
}

TEST(StyleStrips, BackdropsAreOpaqueAndEveryTerrainFrameIsDrawn) {
  for (int n = 1; n <= 6; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Files/256/bg%03d.png", n);
    Picture pic;
    ASSERT_TRUE(LoadPicture(GameDir() + name, pic)) << name;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 320; ++x) ASSERT_EQ(pic.Alpha(x, y), 255) << name << " backdrop hole at " << x << "," << y;
    for (int k = 40; k <= 57; ++k) {
      int solid = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 8; ++x) solid += pic.Alpha(k * 8 + x, y) >= 128;
      EXPECT_GT(solid, 0) << name << " terrain frame " << k;
      if (k == 42 || k == 43) {
        EXPECT_EQ(solid, 8 * 64) << name << " walls are solid blocks";
      }
    }
    // A hole shows its pit across the floor line on its own.
    for (int x = 0; x < 8; ++x) EXPECT_EQ(pic.Alpha(45 * 8 + x, 60), 255) << name;
    for (int k = 58; k <= 79; ++k)
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(pic.Alpha(k * 8 + x, y), 0) << name << " unused frame " << k;
  }
}

TEST(Icons, PointerTipIsTheTopLeftPixel) {
  Picture icons;
  ASSERT_TRUE(LoadPicture(GameDir() + "/Files/Common/icons.png", icons));
  int fx = (63 % 8) * 16, fy = (63 / 8) * 16;
  EXPECT_GE(icons.Alpha(fx, fy), 128);
  for (int f : {0, 3, 7, 8, 9, 10, 11, 12, 13, 14, 18, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29, 63}) {
    int n = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) n += icons.Alpha((f % 8) * 16 + x, (f / 8) * 16 + y) > 0;
    EXPECT_GT(n, 0) << "icon " << f;
  }
}

// ---- sounds ------------------------------------------------------------------------------

struct SoundCase {
  std::string path;
  double minSec, maxSec;
};

std::vector<SoundCase> SoundCases() {
  std::vector<SoundCase> v = {
      {"Files/Common/badgeget.wav", 1.0, 2.0}, {"Files/256/001.wav", 0.15, 0.35},
      {"Files/256/002.wav", 0.08, 0.25},       {"Files/256/003.wav", 0.12, 0.3},
      {"Files/256/004.wav", 0.3, 0.45},        {"Files/256/005.wav", 0.3, 0.45},
      {"Files/256/006.wav", 0.05, 0.2},        {"Files/256/008.wav", 0.05, 0.2},
      {"Files/256/009.wav", 0.3, 0.5},         {"Files/256/010.wav", 0.12, 0.3},
      {"Files/256/011.wav", 0.02, 0.08},       {"Files/256/012.wav", 0.4, 0.6},
      {"Files/256/013.wav", 1.5, 2.0},         {"Files/256/014.wav", 0.8, 1.2},
  };
  for (const char* kit : {"d1", "d2"})
    for (int i = 1; i <= 8; ++i) v.push_back({std::string("Files/256/music/") + kit + "-" + std::to_string(i) + ".wav", 0.05, 1.0});
  for (const char* kind : {"bass", "lead", "accompany"})
    for (int i = 1; i <= 8; ++i) v.push_back({std::string("Files/256/music/") + kind + std::to_string(i) + ".wav", 0.6, 2.0});
  return v;
}

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.path; }

class SoundTest : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundTest, IsMonoPcmOfItsLengthWithHeadroom) {
  const SoundCase& c = GetParam();
  std::string b = testutil::ReadBytes(GameDir() + "/" + c.path);
  ASSERT_GE(b.size(), 44u) << c.path;
  ASSERT_EQ(b.substr(0, 4), "RIFF");
  ASSERT_EQ(b.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(U16(b, 20), 1) << "PCM";
  EXPECT_EQ(U16(b, 22), 1) << "mono";
  EXPECT_EQ(U32(b, 24), 44100u);
  EXPECT_EQ(U16(b, 34), 16);
  ASSERT_EQ(b.substr(36, 4), "data");
  uint32_t bytes = U32(b, 40);
  ASSERT_EQ(size_t(bytes) + 44, b.size());
  double sec = bytes / 2 / 44100.0;
  EXPECT_GE(sec, c.minSec) << c.path;
  EXPECT_LE(sec, c.maxSec) << c.path;
  int peak = 0;
  for (size_t i = 44; i + 1 < b.size(); i += 2) peak = std::max(peak, std::abs(int(int16_t(U16(b, i)))));
  EXPECT_GT(peak, 1000) << c.path << " is near silent";
  EXPECT_LE(peak, 23300) << c.path << " peaks above -3 dBFS";
}

INSTANTIATE_TEST_SUITE_P(Checklist, SoundTest, ::testing::ValuesIn(SoundCases()), [](const auto& info) {
  std::string n = info.param.path;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

struct MusicCase {
  const char* path;
  double minSec, maxSec;
};

void PrintTo(const MusicCase& c, std::ostream* os) { *os << c.path; }

class MusicTest : public ::testing::TestWithParam<MusicCase> {};

TEST_P(MusicTest, DecodesAsStereoOfItsLengthAndStartsAndEndsQuietly) {
  const MusicCase& c = GetParam();
  OggVorbis_File vf;
  ASSERT_EQ(ov_fopen((GameDir() + "/" + c.path).c_str(), &vf), 0) << c.path;
  vorbis_info* vi = ov_info(&vf, -1);
  EXPECT_EQ(vi->channels, 2);
  EXPECT_EQ(vi->rate, 44100);
  std::vector<int16_t> pcm;
  char buf[8192];
  int section = 0;
  while (true) {
    long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section);
    ASSERT_GE(n, 0) << "decode error in " << c.path;
    if (n == 0) break;
    const int16_t* s = reinterpret_cast<const int16_t*>(buf);
    pcm.insert(pcm.end(), s, s + n / 2);
  }
  ov_clear(&vf);
  double sec = double(pcm.size()) / 2 / 44100.0;
  EXPECT_GE(sec, c.minSec);
  EXPECT_LE(sec, c.maxSec);
  int peak = 0;
  for (int16_t v : pcm) peak = std::max(peak, std::abs(int(v)));
  EXPECT_GT(peak, 8000) << "too quiet";
  // Music starts at once (no leading silence) and fades to silence at the end,
  // so the restart joins cleanly.
  int head = 0;
  for (size_t i = 0; i < 2 * 44100 / 4 && i < pcm.size(); ++i) head = std::max(head, std::abs(int(pcm[i])));
  EXPECT_GT(head, 1000) << "leading silence";
  int tail = 0;
  for (size_t i = pcm.size() - 2 * 441; i < pcm.size(); ++i) tail = std::max(tail, std::abs(int(pcm[i])));
  EXPECT_LT(tail, 600) << "music does not end quietly";
}

const MusicCase kMusic[] = {{"Files/256/Theme.ogg", 60, 90}, {"Files/256/Map.ogg", 45, 60}};
INSTANTIATE_TEST_SUITE_P(Checklist, MusicTest, ::testing::ValuesIn(kMusic), [](const auto& info) {
  return std::string(info.param.path).find("Theme") != std::string::npos ? "Theme" : "Map";
});

// ---- fonts, rule file, levels ---------------------------------------------------------------

TEST(Fonts, AreCopiesOfTheSystemFontsWithTheirLicence) {
  const std::pair<const char*, const char*> fonts[] = {
      {"LiberationSansNarrow-Bold.ttf", "/usr/share/fonts/truetype/liberation/"},
      {"DejaVuSansCondensed-Bold.ttf", "/usr/share/fonts/truetype/dejavu/"},
  };
  for (const auto& [f, dir] : fonts) {
    std::string ours = testutil::ReadBytes(GameDir() + "/Files/Common/" + f);
    EXPECT_FALSE(ours.empty()) << f;
    EXPECT_EQ(ours, testutil::ReadBytes(std::string(dir) + f)) << f;
  }
  EXPECT_EQ(testutil::ReadBytes(GameDir() + "/Files/Common/Liberation-LICENSE.txt"),
            testutil::ReadBytes("/usr/share/doc/fonts-liberation/copyright"));
  EXPECT_TRUE(fs::exists(GameDir() + "/Files/Common/DejaVu-LICENSE.txt"));
}

TEST(MusicRules, EverySectionHasAnEntry) {
  std::string text = testutil::ReadBytes(GameDir() + "/Files/256/music/moor.ini");
  for (const char* head : {"[Drums]", "[Chords]", "[Bass]", "[Melody]", "[Accompany]"}) {
    size_t at = text.find(head);
    ASSERT_NE(at, std::string::npos) << head;
    size_t end = text.find("\n[", at);
    std::string body = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    EXPECT_NE(body.find("\n\""), std::string::npos) << head << " needs an entry";
  }
  EXPECT_EQ(text.find('z'), std::string::npos) << "the note key z has no agreed value";
}

TEST(StarterLevel, IsWrittenInTheWritersLayoutAndSortsBeforeThePlayersLevel) {
  std::vector<fs::path> levels;
  for (const auto& e : fs::directory_iterator(GameDir() + "/DuskmoorII_Levels"))
    if (e.path().extension() == ".xml" && e.path().filename() != "My Level.xml") levels.push_back(e.path());
  ASSERT_FALSE(levels.empty());
  for (const auto& p : levels) {
    std::string b = testutil::ReadBytes(p.string());
    ASSERT_GE(b.size(), 2u);
    EXPECT_EQ(b.substr(b.size() - 2), "\r\n") << p;
    for (size_t i = 0; i < b.size(); ++i) {
      if (b[i] == '\n') {
        ASSERT_TRUE(i > 0 && b[i - 1] == '\r') << p << " has a bare LF";
      }
    }
    ASSERT_EQ(b.rfind("<title>", 0), 0u) << p;
    std::string title = b.substr(7, b.find("</title>") - 7);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(title[0])) && std::isdigit(static_cast<unsigned char>(title[1])))
        << title;
    EXPECT_LT(title, std::string("xx - Your Level"));
    EXPECT_LE(title.size(), 24u);
    EXPECT_NE(b.find("\r\n<room>\r\n\t<title>"), std::string::npos) << "a level needs rooms";
    EXPECT_NE(b.find("<position>0,0</position>"), std::string::npos) << "a level needs its start room";
    EXPECT_NE(b.find(":cross"), std::string::npos) << "a level needs a cross";
  }
}

// A shipped level must be playable: a safe start, a cross, and no way out of
// its rooms into the empty floor-only room beyond them.
struct LevelRoom {
  int x = 0, y = 0;
  int style[2] = {0, 0}, gfx[2] = {0, 0};
  std::vector<std::string> cells[2][23];  // kind names per half and column
};

std::vector<LevelRoom> ParseRooms(const std::string& text) {
  std::vector<LevelRoom> rooms;
  std::istringstream in(text);
  std::string line;
  int half = -1;
  auto value = [](const std::string& l) {
    size_t a = l.find('>') + 1;
    return l.substr(a, l.find("</", a) - a);
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = line.substr(line.find_first_not_of('\t') == std::string::npos ? line.size() : line.find_first_not_of('\t'));
    if (t == "<room>") {
      rooms.emplace_back();
      half = -1;
    } else if (rooms.empty()) {
      continue;
    }
    else if (t.rfind("<position>", 0) == 0) std::sscanf(value(t).c_str(), "%d,%d", &rooms.back().x, &rooms.back().y);
    else if (t == "<top>") half = 0;
    else if (t == "<bottom>") half = 1;
    else if (t.rfind("<style>", 0) == 0 && half >= 0) rooms.back().style[half] = std::stoi(value(t));
    else if (t.rfind("<gfx>", 0) == 0 && half >= 0) rooms.back().gfx[half] = std::stoi(value(t));
    else if (!t.empty() && std::isdigit(static_cast<unsigned char>(t[0])) && half >= 0) {
      int col = std::stoi(t);
      std::string name = t.substr(t.find(':') + 1);
      int count = 1;
      if (name.find('*') != std::string::npos) {
        count = std::stoi(name.substr(name.find('*') + 1));
        name = name.substr(0, name.find('*'));
      }
      for (int c = col; c < col + count && c < 23; ++c) rooms.back().cells[half][c].push_back(name);
    }
  }
  return rooms;
}

bool Has(const LevelRoom& r, int half, int col, std::initializer_list<const char*> kinds) {
  for (const auto& n : r.cells[half][col])
    for (const char* k : kinds)
      if (n == k) return true;
  return false;
}

TEST(StarterLevel, StartsSafelyHasACrossAndIsClosed) {
  for (const auto& e : fs::directory_iterator(GameDir() + "/DuskmoorII_Levels")) {
    if (e.path().extension() != ".xml" || e.path().filename() == "My Level.xml") continue;
    auto rooms = ParseRooms(testutil::ReadBytes(e.path().string()));
    ASSERT_FALSE(rooms.empty()) << e.path();
    auto find = [&](int x, int y) -> const LevelRoom* {
      for (const auto& r : rooms)
        if (r.x == x && r.y == y) return &r;
      return nullptr;
    };
    const LevelRoom* start = find(0, 0);
    ASSERT_NE(start, nullptr) << e.path();
    EXPECT_FALSE(Has(*start, 0, 2, {"wall", "wall_crawl", "gate_yellow", "gate_red", "gate_green", "gate_blue", "hole"}));
    for (int c = 0; c <= 5; ++c)
      EXPECT_FALSE(Has(*start, 0, c, {"turret_left", "turret_right", "bat", "dog", "barrel", "spikey", "bear", "snake",
                                      "spike", "flame", "spike2", "spike3", "mine"}))
          << "danger at the start, column " << c;
    bool cross = false;
    for (const auto& r : rooms) {
      for (int h = 0; h < 2; ++h) {
        EXPECT_GE(r.style[h], 1);
        EXPECT_LE(r.style[h], 6);
        EXPECT_TRUE(r.gfx[h] == 0 || r.gfx[h] == 1);
        for (int c = 0; c < 23; ++c) cross |= Has(r, h, c, {"cross"});
        if (!find(r.x - 1, r.y)) {
          EXPECT_TRUE(Has(r, h, 0, {"wall", "wall_crawl"})) << "open left edge " << r.x << "," << r.y;
        }
        if (!find(r.x + 1, r.y)) {
          EXPECT_TRUE(Has(r, h, 22, {"wall", "wall_crawl"})) << "open right edge " << r.x << "," << r.y;
        }
      }
      for (int c = 0; c < 23; ++c) {
        if (!find(r.x, r.y - 1)) {
          EXPECT_FALSE(Has(r, 0, c, {"vine", "ladder"})) << "climb out of the top " << r.x << "," << r.y;
        }
        if (!find(r.x, r.y + 1)) {
          EXPECT_FALSE(Has(r, 1, c, {"hole", "crumble"})) << "fall out of the bottom " << r.x << "," << r.y;
        }
      }
    }
    EXPECT_TRUE(cross) << e.path();
  }
}

// ---- regeneration ---------------------------------------------------------------------------

TEST(Generator, LeavesThePlayersFilesAlone) {
  fs::path dir = fs::temp_directory_path() / ("duskmoor_datagen_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "Files/256");
  fs::create_directories(dir / "DuskmoorII_Levels");
  const std::vector<std::pair<fs::path, std::string>> owned = {
      {dir / "Files/Setup.ini", "player settings"},
      {dir / "Files/Debug.txt", "log"},
      {dir / "Files/256/scores.dat", "scores"},
      {dir / "DuskmoorII_Levels/My Level.xml", "my level"},
      {dir / "DuskmoorII_Levels/A Friend's Level.xml", "a level the player was given"},
  };
  for (const auto& [p, text] : owned) std::ofstream(p, std::ios::binary) << text;
  // A level an earlier run made from a source that has since been renamed.
  std::ofstream(dir / "DuskmoorII_Levels/00 - Renamed.xml", std::ios::binary) << "old";
  std::ofstream(dir / "stamp", std::ios::binary) << "generated\nlevel 00 - Renamed.xml\n";
  std::string cmd = std::string("\"") + DUSKMOOR_DATAGEN + "\" \"" + DUSKMOOR_DATA_DIR "\" \"" +
                    dir.string() + "\" \"" + (dir / "sheet.png").string() + "\" \"" + (dir / "stamp").string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const auto& [p, text] : owned) EXPECT_EQ(testutil::ReadBytes(p.string()), text) << p;
  EXPECT_TRUE(fs::exists(dir / "Files/256/gfx.png"));
  EXPECT_FALSE(fs::exists(dir / "DuskmoorII_Levels/00 - Renamed.xml"));
  EXPECT_TRUE(fs::exists(dir / "DuskmoorII_Levels/01 - Into the Moor.xml"));
  EXPECT_NE(testutil::ReadBytes((dir / "stamp").string()).find("level 01 - Into the Moor.xml\n"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
