// Damaged copies of the game's own data files, loaded by the game's loaders:
// each is named in Debug.txt with what is wrong with it. A picture or sound
// cut short keeps what it holds; a font that draws nothing gives way to the
// default font, so the screens still show their text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
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

}  // namespace
