// datagen <data folder> <game folder> <contact sheet png> <stamp file> [<level maps folder>]
// datagen --levels <data folder> <levels folder>
// datagen --maps <data folder> <level maps folder>
//
// Builds every data file the game reads from the text sources in the data
// folder. It writes only the files it makes and never touches what the player
// owns in the game folder (settings, scores, the player's level, screenshots).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <vector>

#include "datagen.h"

using namespace datagen;
namespace fs = std::filesystem;

namespace {

std::string Stem(const std::string& path) { return fs::path(path).stem().string(); }

void CopyFile(const std::string& from, const std::string& to) {
  WriteBytes(to, ReadText(from));
}

bool IsLevelSource(const std::string& path) { return fs::path(path).filename() != "README.txt"; }

// One picture per level source, named after it; pictures of levels that are
// gone are removed.
void MakeLevelMaps(const std::string& data, const ArtBook& book, const std::string& mapsDir) {
  MakeDirs(mapsDir);
  std::vector<std::string> made;
  for (const auto& f : ListFiles(data + "/levels", ".txt")) {
    if (!IsLevelSource(f)) continue;
    made.push_back(Stem(f) + ".png");
    WritePng(mapsDir + "/" + made.back(), LevelMap(ParseLevel(ReadText(f)), book));
  }
  for (const auto& f : ListFiles(mapsDir, ".png"))
    if (std::find(made.begin(), made.end(), fs::path(f).filename().string()) == made.end()) fs::remove(f);
}

void MakeArt(const std::string& data, const std::string& game, const std::string& sheetPath,
             const std::string& mapsDir) {
  ArtBook book;
  LoadArt(data + "/art", book);
  auto maps = std::async(std::launch::async, [&] {
    if (!mapsDir.empty()) MakeLevelMaps(data, book, mapsDir);
  });
  for (const auto& path : book.order) WritePng(game + "/" + path, book.images.at(path));
  WritePng(sheetPath, ContactSheet(book));
  maps.get();
}

void MakeSounds(const std::string& data, const std::string& game) {
  for (const auto& f : ListFiles(data + "/sound/effects", ".txt"))
    WriteWav(game + "/Files/256/" + Stem(f) + ".wav", RenderRecipe(f));
  for (const auto& f : ListFiles(data + "/sound/common", ".txt"))
    WriteWav(game + "/Files/Common/" + Stem(f) + ".wav", RenderRecipe(f));
}

void MakeInstruments(const std::string& data, const std::string& game) {
  for (const auto& f : ListFiles(data + "/sound/instruments", ".txt"))
    WriteWav(game + "/Files/256/music/" + Stem(f) + ".wav", RenderRecipe(f));
  for (const auto& f : ListFiles(data + "/music", ".ini"))
    CopyFile(f, game + "/Files/256/music/" + fs::path(f).filename().string());
}

void MakeSong(const std::string& data, const std::string& game, const std::string& name) {
  WriteOgg(game + "/Files/256/" + name + ".ogg",
           RenderSong(data + "/music/" + name + ".txt", data + "/sound/instruments"));
}

// The level files made, by name. A level source that was renamed or removed
// must not leave its old file in the pack, but a level the player put in the
// folder is theirs: only files an earlier run made (listed in its stamp) go.
std::vector<std::string> MakeLevels(const std::string& data, const std::string& levels,
                                    const std::vector<std::string>& madeBefore = {}) {
  std::vector<std::string> made;
  for (const auto& f : ListFiles(data + "/levels", ".txt")) {
    if (!IsLevelSource(f)) continue;
    made.push_back(Stem(f) + ".xml");
    WriteBytes(levels + "/" + made.back(), BuildLevel(ReadText(f)));
  }
  for (const auto& old : madeBefore)
    if (std::find(made.begin(), made.end(), old) == made.end()) fs::remove(levels + "/" + old);
  return made;
}

// The level files the stamp says an earlier run made.
std::vector<std::string> LevelsInStamp(const std::string& stamp) {
  std::vector<std::string> names;
  if (!fs::exists(stamp)) return names;
  for (const auto& line : SplitLines(ReadText(stamp)))
    if (line.rfind("level ", 0) == 0) names.push_back(line.substr(6));
  return names;
}

void CopyFonts(const std::string& game) {
  const std::string liberation = "/usr/share/fonts/truetype/liberation/";
  CopyFile(liberation + "LiberationSansNarrow-Bold.ttf", game + "/Files/Common/LiberationSansNarrow-Bold.ttf");
  CopyFile("/usr/share/doc/fonts-liberation/copyright", game + "/Files/Common/Liberation-LICENSE.txt");
  const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";
  CopyFile(dejavu + "DejaVuSansCondensed-Bold.ttf", game + "/Files/Common/DejaVuSansCondensed-Bold.ttf");
  CopyFile("/usr/share/doc/fonts-dejavu-core/copyright", game + "/Files/Common/DejaVu-LICENSE.txt");
}

}  // namespace

int main(int argc, char** argv) {
  // Only the levels: a level author's round trip without rendering the songs.
  if (argc == 4 && std::string(argv[1]) == "--levels") {
    MakeDirs(argv[3]);
    MakeLevels(argv[2], argv[3]);
    return 0;
  }
  // Only the level maps: a level author's look at the rooms as drawn.
  if (argc == 4 && std::string(argv[1]) == "--maps") {
    ArtBook book;
    LoadArt(std::string(argv[2]) + "/art", book);
    MakeLevelMaps(argv[2], book, argv[3]);
    return 0;
  }
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: datagen <data folder> <game folder> <contact sheet> <stamp> [<level maps>]\n"
                         "       datagen --levels <data folder> <levels folder>\n"
                         "       datagen --maps <data folder> <level maps folder>\n");
    return 2;
  }
  std::string data = argv[1], game = argv[2], sheet = argv[3], stamp = argv[4];
  std::string maps = argc == 6 ? argv[5] : "";
  MakeDirs(game + "/Files/Common");
  MakeDirs(game + "/Files/256/music");
  MakeDirs(game + "/DuskmoorII_Levels");
  // The two songs take longest; render them beside the rest.
  auto theme = std::async(std::launch::async, [&] { MakeSong(data, game, "Theme"); });
  auto map = std::async(std::launch::async, [&] { MakeSong(data, game, "Map"); });
  auto art = std::async(std::launch::async, [&] { MakeArt(data, game, sheet, maps); });
  MakeSounds(data, game);
  MakeInstruments(data, game);
  const auto levels = MakeLevels(data, game + "/DuskmoorII_Levels", LevelsInStamp(stamp));
  CopyFonts(game);
  art.get();
  theme.get();
  map.get();
  std::string stampText = "generated\n";
  for (const auto& name : levels) stampText += "level " + name + "\n";
  WriteBytes(stamp, stampText);
  return 0;
}
