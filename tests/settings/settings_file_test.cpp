#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "fixture.h"
#include "platform/files.h"
#include "platform/test/test_audio.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

namespace {

const std::vector<std::string> kSystemDrivers = {"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"};

std::string Golden(const std::string& name) {
  // The golden files lie beside this source file.
  return GameFolderTest::ReadBytes((std::filesystem::path(__FILE__).parent_path() / "golden" / name).string());
}

class SettingsFileTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    AuxDrivers = kSystemDrivers;
    Options[14] = 2;
  }
  std::string SetupPath() const { return Paths.data + "Setup.ini"; }
};

TEST_F(SettingsFileTest, DefaultSettingsWriteTheGoldenFile) {
  SaveIni();
  EXPECT_EQ(ReadBytes(SetupPath()), Golden("setup_default.ini"));
}

TEST_F(SettingsFileTest, ChangedSettingsWriteTheGoldenFile) {
  Options[1] = 1;
  Options[5] = 1920;
  Options[6] = 1080;
  Options[7] = 1;
  Options[11] = 100;
  Options[12] = 0;
  Options[13] = 250;
  Options[14] = 3;
  KeyV[0] = 87;
  KeyV[12] = 0;    // cleared: not written
  KeyV[20] = 350;  // joystick 2, Y up
  KeyV[50] = -3;   // never written
  KeyV[99] = 9;
  KeyV[100] = 5;  // beyond the stored slots
  SaveIni();
  EXPECT_EQ(ReadBytes(SetupPath()), Golden("setup_changed.ini"));
}

TEST_F(SettingsFileTest, WindowModeAndEngineLinesFollowTheirValues) {
  struct Case {
    int fullscreen, engine;
    std::string expect_head;
  } cases[] = {
      {0, 1, "[Graphics]\r\nFullscreen = False\r\nGFX Engine = DX9\r\nWidth="},
      {1, 2, "[Graphics]\r\nFullscreen = True\r\nGFX Engine = DX7\r\nWidth="},
      {2, 3, "[Graphics]\r\nWidth="},  // values without a line
  };
  for (const Case& c : cases) {
    Options[1] = c.fullscreen;
    Options[3] = c.engine;
    EXPECT_EQ(SetupIniText().substr(0, c.expect_head.size()), c.expect_head) << c.fullscreen << "," << c.engine;
  }
}

TEST_F(SettingsFileTest, NoBoundSlotEndsWithControlsHeading) {
  KeyV.fill(0);
  const std::string text = SetupIniText();
  const std::string tail = "[Controls]\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(SettingsFileTest, FailedWriteKeepsThePreviousFileAndIsLogged) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::function<void()> mend;
    const char* reason;
  } cases[] = {
      {"full disk", [] { SetWriteFailAfter(40); }, [] { SetWriteFailAfter(-1); }, "No space left on device"},
      {"read-only folder",
       [] {
         // The tests may run as the superuser, whom permissions do not bind.
         SetOwnerPermissionsBind(true);
         chmod(Paths.data.c_str(), 0555);
       },
       [] {
         chmod(Paths.data.c_str(), 0755);
         SetOwnerPermissionsBind(false);
       },
       "Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Options[5] = 800;
    SaveIni();
    const std::string before = ReadBytes(SetupPath());
    OpenDebugLog(Paths.data + "Debug.txt");
    Options[5] = 1024;
    c.spoil();
    SaveIni();
    SaveIni();
    c.mend();
    EXPECT_EQ(ReadBytes(SetupPath()), before);
    EXPECT_EQ(FileType(SetupPath() + ".tmp"), 0);
    const std::string line = "Settings not saved: Setup.ini could not be written (" + std::string(c.reason) + ")";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{line, line}));
    // Once the fault is gone the next save goes through, without a line.
    SaveIni();
    EXPECT_NE(ReadBytes(SetupPath()).find("\r\nWidth=1024\r\n"), std::string::npos);
    EXPECT_EQ(LogLines().size(), 2u);
  }
}

TEST_F(SettingsFileTest, WrittenFileReadsBackToTheSameSettings) {
  Options[1] = 1;
  Options[5] = 1440;
  Options[6] = 900;
  Options[7] = 1;
  Options[11] = 30;
  Options[12] = 70;
  Options[13] = 0;
  Options[14] = 1;
  KeyV[0] = 0;
  KeyV[99] = 301;
  KeyV[42] = 65;
  SaveIni();
  const auto saved_options = Options;
  const auto saved_keys = KeyV;

  CreateSettingsTables();
  SetDefaultControls();
  ReadSettings();
  EXPECT_TRUE(AudioDriverKeySeen);
  for (int i : {1, 5, 6, 7, 11, 12, 13, 14}) EXPECT_EQ(Options[i], saved_options[i]) << i;
  // A cleared slot is not written, so it takes its start binding again.
  EXPECT_EQ(KeyV[0], 38);
  for (int slot = 1; slot < 100; ++slot) EXPECT_EQ(KeyV[slot], saved_keys[slot]) << slot;
}

}  // namespace
