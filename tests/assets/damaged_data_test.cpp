// Damaged copies of the game's own data files, loaded by the game's loaders:
// each is named in Debug.txt with what is wrong with it. A picture or sound
// cut short keeps what it holds; a font that draws nothing gives way to the
// default font, so the screens still show their text.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "common/pipe_watch.h"
#include "common/test_util.h"
#include "music/generator.h"
#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "title/title.h"
#include "title/title_fixture.h"

namespace fs = std::filesystem;

namespace {

using testgraphics::Op;

// A fresh game folder holding what a case puts there, the log open in it.
class DamagedDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* game = std::getenv("DUSKMOOR_GAME_DIR");
    ASSERT_NE(game, nullptr);
    shipped_ = fs::path(game) / "Files";
    testbackend::Reset();
    testutil::FreshGlobals();
    root_ = fs::path(testutil::OwnTempPath("damaged_data"));
    fs::remove_all(root_);
    fs::create_directories(root_ / "Files" / "256" / "music");
    fs::create_directories(root_ / "Files" / "Common");
    ResolvePaths(root_.string());
    titletest::TitleAt1280();
    OpenDebugLog(Paths.data + "Debug.txt");
  }
  void TearDown() override {
    CloseDebugLog();
    fs::remove_all(root_);
  }

  // Copies a shipped file ("Common/icons.png") into the folder, whole or
  // cut to `keep` of its bytes.
  void Put(const std::string& name, double keep = 1.0) {
    const std::string bytes = testutil::ReadBytes((shipped_ / name).string());
    ASSERT_GT(bytes.size(), 1000u) << name;
    testutil::WriteBytes(Paths.data + name, bytes.substr(0, static_cast<size_t>(bytes.size() * keep)));
  }
  // Every file LoadCommon loads, whole.
  void PutCommon() {
    for (const char* name : {"Common/LiberationSansNarrow-Bold.ttf", "Common/DejaVuSansCondensed-Bold.ttf",
                             "Common/icons.png", "Common/logo.png", "Common/Quendry.png", "Common/badgeget.wav",
                             "256/badges.png"})
      Put(name);
  }
  // The log's lines that name a file.
  static std::vector<std::string> LoadLines() {
    std::vector<std::string> out;
    for (const auto& line : testutil::CrlfLines(testutil::ReadBytes(Paths.data + "Debug.txt")))
      if (line.rfind("\tCould not load ", 0) == 0) out.push_back(line);
    return out;
  }

  fs::path shipped_;
  fs::path root_;
};

// The pixels a text draw put on the screen: the coverage of its characters'
// glyphs in the atlas of the font it was drawn in.
int64_t InkOf(const testgraphics::DrawRecord& draw) {
  SetImageFont(draw.font);
  const gfxcore::FontRec& font = gfxcore::CurrentFont();
  int64_t ink = 0;
  for (unsigned char c : draw.text) {
    const gfxcore::Glyph& g = font.glyphs[c];
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x)
        ink += font.atlas->coverage[static_cast<size_t>(g.atlas_y + y) * font.atlas->width + g.atlas_x + x];
  }
  return ink;
}

// Half the game's main font: it is named in the log, and the title screen's
// prompt, credits and hint are drawn in the default font, with every letter
// showing.
TEST_F(DamagedDataTest, HalfTheMainFontIsNamedAndTheTitleStillShowsItsText) {
  PutCommon();
  Put("Common/LiberationSansNarrow-Bold.ttf", 0.5);
  LoadCommon();
  EXPECT_EQ(LoadLines(),
            std::vector<std::string>{"\tCould not load Common/LiberationSansNarrow-Bold.ttf (data ends early)"});
  // The main face stands in every slot but the bank's third face.
  for (int slot = 1; slot <= 9; ++slot) EXPECT_EQ(Font[slot], 0) << slot;
  for (int step = 0; step <= 8; ++step) {
    EXPECT_EQ(Fontb[step], 0) << step;
    EXPECT_EQ(Fontb[10 + step], 0) << step;
    EXPECT_NE(Fontb[20 + step], 0) << step;
  }

  TitleSetUp();
  for (int frame = 0; frame < 40; ++frame) TitleFrame();
  testgraphics::ClearDraws();
  TitleFrame();
  const auto texts = testgraphics::DrawsOf(Op::Text);
  std::vector<std::string> drawn;
  for (const auto& t : texts) {
    drawn.push_back(t.text);
    bool printable = false;
    for (unsigned char c : t.text) printable |= c > 32 && c < 127;
    if (printable) {
      EXPECT_GT(t.w, 0.0f) << t.text;
      EXPECT_GT(InkOf(t), 0) << t.text;
    }
  }
  for (const char* want : {"Press Start (Z) To Begin", "Hit [Tab] for settings", "A Game by Quoradin"})
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), want), drawn.end()) << want;
}

// Pictures and sounds cut short, through the loaders that read them: each is
// named once with the reason, and keeps its handle.
TEST_F(DamagedDataTest, PicturesAndSoundsCutShortAreNamedAndStillLoad) {
  PutCommon();
  for (int n = 1; n <= 8; ++n) {
    Put("256/music/d1-" + std::to_string(n) + ".wav");
    Put("256/music/d2-" + std::to_string(n) + ".wav");
  }
  Put("256/Theme.ogg");
  LoadCommon();
  QRDM_Load();
  const int32_t whole_tune = LoadSoundLogged(Paths.game + "Theme.ogg", 0);
  EXPECT_NE(whole_tune, 0);
  EXPECT_EQ(LoadLines(), std::vector<std::string>{});

  Put("Common/icons.png", 0.5);
  Put("Common/badgeget.wav", 0.5);
  Put("256/music/d1-3.wav", 0.6);
  Put("256/Theme.ogg", 0.5);
  OpenDebugLog(Paths.data + "Debug.txt");
  LoadCommon();
  QRDM_Load();
  const int32_t tune_cut = LoadSoundLogged(Paths.game + "Theme.ogg", 0);
  EXPECT_EQ(LoadLines(), (std::vector<std::string>{
                             "\tCould not load all of Common/icons.png (data ends early)",
                             "\tCould not load all of Common/badgeget.wav (data ends early)",
                             "\tCould not load all of 256/music/d1-3.wav (data ends early)",
                             "\tCould not load all of 256/Theme.ogg (data ends early)",
                         }));
  EXPECT_EQ(ImageFrames(CommonIcons), 64);
  EXPECT_EQ(ImageFrames(CommonIconsF), 64);
  EXPECT_NE(BadgeGet, 0);
  EXPECT_NE(QRDM_inst[3], 0);
  EXPECT_NE(tune_cut, 0);
  // A whole file after a damaged one is named no more.
  Put("Common/icons.png");
  OpenDebugLog(Paths.data + "Debug.txt");
  LoadCommon();
  EXPECT_EQ(LoadLines(), std::vector<std::string>{"\tCould not load all of Common/badgeget.wav (data ends early)"});
}

// What a case puts at a data file's name in place of the file, and what the
// log calls it. Every kind counts as a missing file.
struct Stand {
  std::string what;  // what the case puts there
  std::string named;  // what the log calls it
  // Puts it at `path`; a pipe is watched for as long as `watch` lives. False
  // when this system cannot make it.
  std::function<bool(const std::string& path, std::unique_ptr<testutil::PipeWatch>& watch)> put;
};

bool PutSocket(const std::string& path) {
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (sock < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  const bool bound = ::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(sock);
  return bound;
}

const std::vector<Stand>& Stands() {
  static const std::vector<Stand> stands = {
      // A pipe nobody writes to would hold an opening reader for good; the
      // watch lets such a reader go at once, and tells.
      {"a pipe", "a named pipe",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>& watch) {
         watch = std::make_unique<testutil::PipeWatch>(path);
         return watch->Made();
       }},
      {"a link to a pipe", "a named pipe",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>& watch) {
         watch = std::make_unique<testutil::PipeWatch>(path + ".fifo");
         return watch->Made() && ::symlink((path + ".fifo").c_str(), path.c_str()) == 0;
       }},
      {"a link to an endless device", "a device",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>&) {
         return ::symlink("/dev/zero", path.c_str()) == 0;
       }},
      // A device node needs the superuser, and some systems refuse it even then.
      {"an endless device", "a device",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>&) {
         return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
       }},
      {"a folder", "a folder",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>&) { return fs::create_directory(path); }},
      {"a socket", "a socket",
       [](const std::string& path, std::unique_ptr<testutil::PipeWatch>&) { return PutSocket(path); }},
  };
  return stands;
}

// Something other than a file in place of each kind of data file the game
// loads: the loader comes back without it, never having opened it, and the
// log names the file and what stands there.
TEST_F(DamagedDataTest, WhatStandsInPlaceOfADataFileIsNamedAndNeverOpened) {
  struct Loader {
    std::string kind;
    std::string name;  // under the data folder
    // Loads it as the game does; whether it loaded.
    std::function<bool()> load;
  };
  const std::vector<Loader> loaders = {
      {"picture", "Common/logo.png",
       [] { return LoadImageLogged(Paths.common + "logo.png", MASKEDIMAGE | FILTEREDIMAGE) != 0; }},
      {"picture in frames", "Common/icons.png",
       [] { return LoadAnimImageLogged(Paths.common + "icons.png", 16, 16, 0, 64, MASKEDIMAGE) != 0; }},
      {"font", "Common/LiberationSansNarrow-Bold.ttf",
       [] {
         return LoadImageFontLogged(Paths.common + "LiberationSansNarrow-Bold.ttf", 24, SMOOTHFONT) != 0;
       }},
      {"sound", "Common/badgeget.wav", [] { return LoadSoundLogged(Paths.common + "badgeget.wav", 0) != 0; }},
      {"music stream", "256/Theme.ogg", [] { return LoadSoundLogged(Paths.game + "Theme.ogg", 0) != 0; }},
      {"song rules", "256/music/song1.ini",
       [] {
         QRDM_Playing = 0;
         QRDM_NewSong("song1", 5, 240);
         return QRDM_Playing != 0;
       }},
      // A sample that need not be there: what is there instead neither
      // fills its slot nor counts as a variant.
      {"instrument sample", "256/music/bass1.wav",
       [] {
         QRDM_inst.fill(0);
         QRDM_PatternHave.fill(0);
         QRDM_Load();
         return QRDM_inst[21] != 0 || QRDM_PatternHave[1] != 0;
       }},
      // A sound effect that need not be there.
      {"sound effect", "256/005.wav",
       [] {
         sfx.fill(0);
         LoadCommon();
         return sfx[5] != 0;
       }},
  };
  for (const Loader& loader : loaders) {
    for (const Stand& stand : Stands()) {
      SCOPED_TRACE(stand.what + " as the " + loader.kind + " " + loader.name);
      const std::string path = Paths.data + loader.name;
      std::unique_ptr<testutil::PipeWatch> watch;
      if (!stand.put(path, watch)) {
        ASSERT_EQ(stand.what, "an endless device") << "could not be made";
        continue;
      }
      OpenDebugLog(Paths.data + "Debug.txt");
      EXPECT_FALSE(loader.load());
      std::vector<std::string> named;
      for (const std::string& line : LoadLines())
        if (line.find(" " + loader.name + " ") != std::string::npos) named.push_back(line);
      EXPECT_EQ(named, std::vector<std::string>{"\tCould not load " + loader.name + " (" + stand.named + ")"});
      if (watch) {
        EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
      }
      watch.reset();
      fs::remove(path);
      fs::remove(path + ".fifo");
    }
  }
}

}  // namespace
