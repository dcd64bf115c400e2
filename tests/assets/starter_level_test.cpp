// The shipped levels read back through the game's own level reader and, saved
// again by the game's own writer, come out byte for byte the same: they are
// in the writer's exact layout, and every cell names a kind the game knows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "common/test_util.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/records.h"
#include "platform/files.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace fs = std::filesystem;

namespace {

TEST(ShippedLevels, SurviveTheGamesOwnReadAndWrite) {
  testbackend::Reset();
  MakeObjectKinds();
  const char* gameDir = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(gameDir, nullptr);
  fs::path dir = fs::temp_directory_path() / ("duskmoor-shipped-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  Paths.levels = dir.string() + "/";
  int checked = 0;
  for (const auto& e : fs::directory_iterator(fs::path(gameDir) / "DuskmoorII_Levels")) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".xml" || name == "My Level.xml") continue;
    SCOPED_TRACE(name);
    const std::string shipped = testutil::ReadBytes(e.path());
    fs::copy_file(e.path(), dir / name, fs::copy_options::overwrite_existing);

    auto header = std::make_shared<game>();
    header->name = name;
    Stream in = ReadFile(Paths.levels + name);
    ReadLevelHeader(in, *header);
    CloseFile(in);
    EXPECT_FALSE(header->Title.empty());
    EXPECT_GT(header->store, 0) << "a level tells a story";

    GetLevel(name);
    EXPECT_GT(rooms.ToVector().size(), 1u) << "a level has rooms";
    fs::remove(dir / name);
    Uselevel = header;
    ASSERT_TRUE(SaveLevel());
    EXPECT_EQ(testutil::ReadBytes(dir / name), shipped);
    ++checked;
  }
  EXPECT_GT(checked, 0);
  fs::remove_all(dir);
}

}  // namespace
