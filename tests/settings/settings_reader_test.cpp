#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fixture.h"
#include "not_a_file.h"
#include "platform/test/test_audio.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

namespace {

struct ReaderCase {
  const char* name;
  std::string file;
  std::map<int, int> options;  // index -> value expected (others keep their start values)
  std::map<int, int> keys;     // slot -> code expected
  bool driver_key;
  std::vector<std::string> notes;  // log lines after "\tReading Setup File"
};

const std::vector<std::string> kDrivers = {"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"};

std::vector<ReaderCase> Cases() {
  return {
      {"empty file", "", {}, {}, false, {}},
      {"fullscreen any case", "fullscreen = true\r\n", {{1, 1}}, {}, false, {"\tSetting to Fullscreen"}},
      {"fullscreen on", "FULLSCREEN=On", {{1, 1}}, {}, false, {"\tSetting to Fullscreen"}},
      {"fullscreen 1 selects nothing", "Fullscreen = 1\r\n", {{1, 0}}, {}, false, {}},
      {"fullscreen with comment", "Fullscreen = True ; yes\r\n", {{1, 0}}, {}, false, {}},
      {"fullscreen never switched off", "Fullscreen = True\r\nFullscreen = False\r\nFullscreen = ON\r\n",
       {{1, 1}}, {}, false, {"\tSetting to Fullscreen", "\tSetting to Fullscreen"}},
      {"engine dx7 without blank", "gfxengine = dx7\n", {{3, 2}}, {}, false, {"\tDirectX 7 Mode"}},
      {"engine dx9", "GFX Engine = DX9\r\n", {{3, 1}}, {}, false, {"\tDirectX 9 Mode"}},
      {"engine key with two blanks", "GFX  Engine = DX9\r\n", {{3, 0}}, {}, false, {}},
      {"engine opengl", "GFX Engine = OpenGL\r\n", {{3, 0}}, {}, false, {}},
      {"width negative", "Width=-1024\r\n", {{5, 1024}}, {}, false, {}},
      {"width with comment", "width = 1280 ; wide\r\nHEIGHT= 960", {{5, 1280}, {6, 960}}, {}, false, {}},
      {"width without digits", "Width=abc\r\n", {{5, 0}}, {}, false, {}},
      {"hexadecimal and binary", "Width=$400\r\nHeight=%1010\r\n", {{5, 1024}, {6, 10}}, {}, false, {}},
      {"ess zero", "ESS=0\r\n", {{7, 1}}, {}, false, {"\tAssuming Emergency Slow System values."}},
      {"ess empty", "ess=\r\n", {{7, 1}}, {}, false, {"\tAssuming Emergency Slow System values."}},
      {"volumes unbounded", "Master = 250\r\nSound = -30\r\nmusic=7", {{11, 250}, {12, 30}, {13, 7}}, {}, false, {}},
      {"keys first and last slot", "Key=0,87\r\nKey=99,5\r\nKey=100,6\r\n", {}, {{0, 87}, {99, 5}, {100, 0}}, false, {}},
      {"key negative code", "Key=12,-67\r\n", {}, {{12, 67}}, false, {}},
      {"key without comma unbinds", "Key=5\r\n", {}, {{5, 0}}, false, {}},
      {"sections and comments", "[Graphics]\r\n; AudioDriver = Null\r\n;Width=1\r\n", {{5, 800}, {14, 0}}, {}, false, {}},
      {"driver by name", "AudioDriver = Null\r\n", {{14, 3}}, {}, true, {}},
      {"driver name case counts", "AudioDriver = null\r\n", {{14, 0}}, {}, true, {}},
      {"driver key with blank", "Audio Driver = Null\r\n", {{14, 0}}, {}, false, {}},
      {"later unknown driver keeps earlier", "AudioDriver = FreeAudio\r\nAudioDriver = Bogus\r\n", {{14, 1}}, {}, true, {}},
      {"zero byte ends a line", std::string("Width=1024\0Height=768", 21), {{5, 1024}, {6, 768}}, {}, false, {}},
      {"line ends mixed", "Width=640\nHeight=480\r\nMaster=9", {{5, 640}, {6, 480}, {11, 9}}, {}, false, {}},
  };
}

class SettingsReaderTest : public GameFolderTest {
 protected:
  // A fresh log and the settings at their defaults, before a reading.
  static void FreshDefaults() {
    OpenDebugLog(Paths.data + "Debug.txt");
    CreateSettingsTables();
    SetDefaultControls();
    AuxDrivers = kDrivers;
  }
};

TEST_F(SettingsReaderTest, LinesTakeEffectByTheReadingRules) {
  const std::string path = Paths.data + "Setup.ini";
  for (const ReaderCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    CreateSettingsTables();
    SetDefaultControls();
    AuxDrivers = kDrivers;
    const auto start_options = Options;
    auto expect_keys = KeyV;
    for (const auto& [slot, code] : c.keys) expect_keys[slot] = code;
    auto expect_options = start_options;
    for (const auto& [index, value] : c.options) expect_options[index] = value;

    WriteBytes(path, c.file);
    const size_t before = LogLines().size();
    ReadSettings();
    const std::vector<std::string> lines = LogLines();

    EXPECT_EQ(Options, expect_options);
    EXPECT_EQ(KeyV, expect_keys);
    EXPECT_EQ(AudioDriverKeySeen, c.driver_key);
    ASSERT_GT(lines.size(), before);
    EXPECT_EQ(lines[before], "\tReading Setup File");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before) + 1, lines.end()), c.notes);
  }
}

TEST_F(SettingsReaderTest, MissingFileReadsNothingAndLogsNothing) {
  AuxDrivers = kDrivers;
  AudioDriverKeySeen = true;
  const auto start_options = Options;
  const auto start_keys = KeyV;
  ReadSettings();
  EXPECT_FALSE(AudioDriverKeySeen);
  EXPECT_EQ(Options, start_options);
  EXPECT_EQ(KeyV, start_keys);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(SettingsReaderTest, AFileThatCannotBeReadChangesNothingAndIsNeverWritten) {
  const std::string path = Paths.data + "Setup.ini";
  const std::string file = "[Audio]\r\nMaster = 90\r\nSound = 20\r\n[Controls]\r\nKey=10,65\r\nKey=11,66\r\n";
  struct Case {
    const char* what;
    std::function<void()> spoil;
    const char* reason;
  } cases[] = {
      {"no read permission",
       [&] {
         // The tests may run as the superuser, whom permissions do not bind.
         SetOwnerPermissionsBind(true);
         chmod(path.c_str(), 0);
       },
       "Permission denied"},
      // Cut inside the value 90: no half value may take effect.
      {"a read error part-way", [] { SetReadFailAfter(19); }, "Input/output error"},
      {"a folder of that name",
       [&] {
         std::filesystem::remove(path);
         std::filesystem::create_directory(path);
       },
       "a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(path);
    WriteBytes(path, file);
    FreshDefaults();
    const auto start_options = Options;
    const auto start_keys = KeyV;
    c.spoil();

    ReadSettings();
    SetReadFailAfter(-1);
    EXPECT_EQ(Options, start_options);
    EXPECT_EQ(KeyV, start_keys);
    EXPECT_TRUE(SetupFileUnreadable);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tSetup.ini could not be read (" + std::string(c.reason) +
                                                    "): it will not be written in this run"}));
    // Tab, Apply and the exit write the settings: the player's file stays.
    SaveIni();
    SetOwnerPermissionsBind(false);
    if (std::filesystem::is_regular_file(path)) chmod(path.c_str(), 0644);
    SaveIni();
    if (std::filesystem::is_regular_file(path)) {
      EXPECT_EQ(ReadBytes(path), file);
    } else {
      EXPECT_TRUE(std::filesystem::is_directory(path));
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  }
  // The next start that can read it takes the file again, and writes it.
  std::filesystem::remove_all(path);
  WriteBytes(path, file);
  ReadSettings();
  EXPECT_FALSE(SetupFileUnreadable);
  EXPECT_EQ(Options[11], 90);
  EXPECT_EQ(KeyV[10], 65);
  SaveIni();
  EXPECT_NE(ReadBytes(path).find("Master = 90\r\n"), std::string::npos);
  EXPECT_NE(ReadBytes(path), file);
}

// Something other than a file under the settings file's name is never
// opened, and the log names it. A folder, or a file that may not be read,
// stands where the player's file would: it is left as it is. Anything else
// (a pipe, a socket, a device, links in a loop) counts as missing: the
// defaults stand, and the settings are saved in its place.
TEST_F(SettingsReaderTest, WhatStandsInPlaceOfTheFileIsNamedAndNeverOpened) {
  const std::string path = Paths.data + "Setup.ini";
  const std::string file = "[Audio]\r\nMaster = 90\r\n";
  for (const testutil::NotAFile& kind : testutil::NotAFiles()) {
    SCOPED_TRACE(kind.what);
    testutil::RemoveNotAFile(path);
    FreshDefaults();
    const auto start_options = Options;
    const auto start_keys = KeyV;
    std::unique_ptr<testutil::PipeWatch> watch;
    if (!kind.put(path, file, watch)) {
      ASSERT_EQ(kind.what, "an endless device") << "could not be made";
      continue;
    }
    ReadSettings();
    EXPECT_EQ(Options, start_options);
    EXPECT_EQ(KeyV, start_keys);
    EXPECT_EQ(SetupFileUnreadable, kind.file_like);
    const std::string line = kind.file_like ? "\tSetup.ini could not be read (" + kind.named +
                                                  "): it will not be written in this run"
                                            : "\tCould not load Setup.ini (" + kind.named + ")";
    EXPECT_EQ(LogLines(), std::vector<std::string>{line});
    // Asked before the save takes the pipe's name.
    if (watch) {
      EXPECT_FALSE(watch->Opened()) << "the pipe was opened";
    }
    SaveIni();
    SetOwnerPermissionsBind(false);
    if (kind.what == "a folder") {
      EXPECT_TRUE(std::filesystem::is_directory(path));
    } else if (kind.file_like) {
      EXPECT_EQ(ReadBytes(path), file);
    } else {
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
      EXPECT_NE(ReadBytes(path).find("Master = " + std::to_string(start_options[11]) + "\r\n"), std::string::npos)
          << ReadBytes(path);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    watch.reset();
  }
  testutil::RemoveNotAFile(path);
}

// The settings file is read up to a size bound far above anything the game
// writes; a larger one is not read at all, the defaults stand, and the file
// is left as it is.
TEST_F(SettingsReaderTest, AFileOverTheSizeBoundIsNotReadAndNeverWritten) {
  const std::string path = Paths.data + "Setup.ini";
  const std::string settings = "[Audio]\r\nMaster = 90\r\n[Controls]\r\nKey=10,65\r\n";
  // `settings` and a comment line, `size` bytes in all.
  auto padded = [&](int64_t size) {
    return settings + ";" + std::string(static_cast<size_t>(size) - settings.size() - 3, 'x') + "\r\n";
  };
  struct Case {
    const char* what;
    int64_t size;
    bool sparse;  // a hole past the settings, read as zero bytes
    bool read;
  } cases[] = {
      {"exactly at the bound", kMaxSetupFileBytes, false, true},
      {"a byte over the bound", kMaxSetupFileBytes + 1, false, false},
      {"20 MB of blank lines", int64_t{20} << 20, false, false},
      {"20 MB, a hole", int64_t{20} << 20, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = c.sparse ? settings : padded(c.size);
    if (c.size > kMaxSetupFileBytes + 1 && !c.sparse) file = settings + std::string(static_cast<size_t>(c.size) - settings.size(), '\n');
    WriteBytes(path, file);
    if (c.sparse) std::filesystem::resize_file(path, static_cast<uintmax_t>(c.size));
    ASSERT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), c.size);
    FreshDefaults();
    const auto start_options = Options;
    const auto start_keys = KeyV;
    // Over the bound, nothing is read from the file: every read would fail.
    if (!c.read) SetReadFailAfter(0);
    ReadSettings();
    SetReadFailAfter(-1);

    if (c.read) {
      EXPECT_FALSE(SetupFileUnreadable);
      EXPECT_EQ(Options[11], 90);
      EXPECT_EQ(KeyV[10], 65);
      EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tReading Setup File"}));
      continue;
    }
    EXPECT_EQ(Options, start_options);
    EXPECT_EQ(KeyV, start_keys);
    EXPECT_TRUE(SetupFileUnreadable);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"\tSetup.ini is too large (" + std::to_string(c.size) +
                                                    " bytes, the settings file holds at most " +
                                                    std::to_string(kMaxSetupFileBytes) +
                                                    "): the defaults are used, and it will not be written in this run"}));
    SaveIni();
    EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), c.size);
    if (!c.sparse) {
      EXPECT_EQ(ReadBytes(path), file);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  }
}

// A file that holds more than its size says (one of the system's own files,
// or one that grows while it is read) is bounded by the reading itself: the
// reading stops at the bound and fails, and nothing read takes effect. The
// system reports the size of a process's argument list as 0, however long
// it is: a child given some 1.5 MB of arguments, the first of them a setting,
// gives such a file.
TEST_F(SettingsReaderTest, AFileThatGivesMoreThanItsSizeIsStoppedAtTheBound) {
  std::vector<std::string> args = {"/bin/sh", "-c", "echo; read line", "sh", "Master = 7"};
  for (int i = 0; i < 15; ++i) args.push_back(";" + std::string(99999, 'x'));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The child says it runs (its argument list is in place only then), and
  // waits on a pipe that stays open until it is ended.
  int feed[2], said[2];
  ASSERT_EQ(::pipe(feed), 0);
  ASSERT_EQ(::pipe(said), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, feed[0], 0);
  posix_spawn_file_actions_adddup2(&actions, said[1], 1);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, "/bin/sh", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(feed[0]);
  ::close(said[1]);
  ASSERT_EQ(spawned, 0);
  char running = 0;
  const bool runs = ::read(said[0], &running, 1) == 1;
  ::close(said[0]);
  if (!runs) ::kill(child, SIGKILL);
  ASSERT_TRUE(runs);
  const std::string path = "/proc/" + std::to_string(child) + "/cmdline";

  // What the case rests on: a regular file of size 0 that gives more than
  // the bound.
  EXPECT_EQ(FileType(path), 1);
  EXPECT_EQ(FileSize(path), 0);
  EXPECT_GT(static_cast<int64_t>(ReadBytes(path).size()), kMaxSetupFileBytes);
  FreshDefaults();
  const auto start_options = Options;
  ReadSetupFile(path);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(feed[1]);

  EXPECT_TRUE(SetupFileUnreadable);
  EXPECT_EQ(Options, start_options);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"\t" + path +
                                                  " could not be read (File too large): it will not be written in "
                                                  "this run"}));
}

struct ChoiceCase {
  std::vector<std::string> drivers;
  int expect;
};

TEST_F(SettingsReaderTest, AutomaticDriverChoicePrefersTheLastBuiltInMixer) {
  const ChoiceCase cases[] = {
      {{"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"}, 2},
      {{"OpenAL", "Null"}, 0},
      {{"Null"}, 0},
      {{"Null", "free"}, 1},
      {{"Null", "Fre"}, 0},
      {{"DirectSound", "OpenAL"}, 0},
      {{"Null", "openal Soft", "OpenAL"}, 1},
      {{"Null", "DIRECTX", "FreeAudio"}, 2},
      {{}, 0},
  };
  for (const ChoiceCase& c : cases) {
    AuxDrivers = c.drivers;
    Options[14] = 0;
    AudioDriverKeySeen = false;
    ChooseAudioDriver();
    EXPECT_EQ(Options[14], c.expect) << ::testing::PrintToString(c.drivers);
  }
  // A driver named by the file keeps the automatic choice out.
  AuxDrivers = {"Null", "FreeAudio"};
  Options[14] = 0;
  AudioDriverKeySeen = true;
  ChooseAudioDriver();
  EXPECT_EQ(Options[14], 0);
}

struct SetCase {
  const char* name;
  std::vector<std::string> drivers;
  bool openal;
  std::string file;
  std::string expect_set;  // "" when no driver is set
  int expect_enable_calls;
};

TEST_F(SettingsReaderTest, ChosenDriverIsSetOnTheAudioLayer) {
  const SetCase cases[] = {
      {"built-in mixer", {"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"}, true, "", "FreeAudio CoreAudio", 0},
      {"openal present", {"OpenAL", "Null"}, true, "", "OpenAL", 1},
      {"openal missing", {"OpenAL", "Null"}, false, "", "", 1},
      {"null alone", {"Null"}, false, "", "Null", 0},
      {"file names a driver", {"FreeAudio", "FreeAudio CoreAudio", "Null"}, false, "AudioDriver = Null\r\n", "Null", 0},
      {"file name in other case", {"FreeAudio", "FreeAudio CoreAudio", "Null"}, false, "AudioDriver = freeaudio\r\n",
       "FreeAudio", 0},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.name);
    testbackend::Reset();
    testbackend::SetAudioDriverList(c.drivers, c.openal);
    CreateSettingsTables();
    SetDefaultControls();
    WriteBytes(Paths.data + "Setup.ini", c.file);
    if (c.file.empty()) std::filesystem::remove(Paths.data + "Setup.ini");
    TakeAudioDrivers();
    EXPECT_EQ(AuxDrivers, c.drivers);
    ReadSettings();
    ChooseAudioDriver();
    SetChosenAudioDriver();
    std::vector<std::string> set;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op == "SetAudioDriver") set.push_back(call.text);
    }
    EXPECT_EQ(set, c.expect_set.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.expect_set});
    EXPECT_EQ(testbackend::CountAudioCalls("EnableOpenALAudio"), c.expect_enable_calls);
  }
}

}  // namespace
