#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "framework/globals.h"
#include "framework/sound.h"
#include "platform/audio.h"
#include "platform/runtime.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "scores/popups.h"
#include "settings/common_assets.h"
#include "startup/globals.h"
#include "test_support.h"

namespace {

using testbackend::AudioCall;
using testbackend::AudioCalls;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    Options.fill(0);
    Options[11] = Options[12] = Options[13] = 50;
    Channel.fill(0);
    ChannelVol.fill(0);
    sfx.fill(0);
    LChan = 20;
    MusicChannel = 0;
    Mybadges = 0;
    ClearList(comments);
    // Two seconds of sound: still playing while the virtual clock stands.
    sound = LoadSound(WriteTestWav("framework_sfx.wav", 44100));
    ASSERT_NE(sound, 0);
    sfx[1] = sound;
    testbackend::ClearAudioCalls();
  }
  // The calls of one operation, in order.
  std::vector<AudioCall> Calls(const std::string& op) const {
    std::vector<AudioCall> out;
    for (const AudioCall& c : AudioCalls()) {
      if (c.op == op) out.push_back(c);
    }
    return out;
  }
  float LastFloat(const std::string& op) const { return Calls(op).back().f; }

  int sound = 0;
};

TEST_F(SoundTest, SilentCasesChangeNothing) {
  Options[12] = 0;
  PlaySFX(1);
  Options[12] = 50;
  PlaySFX(2);  // no sound loaded
  PlaySFX(0);
  PlaySFX(-4);
  PlaySFX(201);
  EXPECT_EQ(LChan, 20);
  EXPECT_EQ(testbackend::CountAudioCalls("CueSound"), 0);
  EXPECT_EQ(testbackend::CountAudioCalls("AllocChannel"), 0);
}

TEST_F(SoundTest, SlotsRotateFrom21To255ThenFrom20) {
  PlaySFX(1);
  EXPECT_EQ(LChan, 21);
  ASSERT_NE(Channel[21], 0);
  EXPECT_EQ(Calls("CueSound").back().a, sound);
  EXPECT_EQ(Calls("CueSound").back().b, Channel[21]);
  EXPECT_EQ(Calls("ResumeChannel").back().a, Channel[21]);
  LChan = 255;
  PlaySFX(1);
  EXPECT_EQ(LChan, 20);
  ASSERT_NE(Channel[20], 0);
}

TEST_F(SoundTest, ClampsAndVolumes) {
  struct Case {
    int32_t master, effects;
    float rate, vol, pan;
    float wantRate, wantVol, wantPan, channelVolume;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {50, 50, 1, 1, 0, 1, 1, 0, 0.25f},        {50, 50, 1, 2.5f, 0, 1, 1, 0, 0.25f},
      {50, 50, 0.1f, 1, 0, 0.25f, 1, 0, 0.25f}, {50, 50, 10, 1, 0, 4, 1, 0, 0.25f},
      {50, 50, 1, 1, -3, 1, 1, -1, 0.25f},      {50, 50, nan, 1, 0, 0.25f, 1, 0, 0.25f},
      {50, 50, 1, -1, 2, 1, 0, 1, 0.0f},        {100, 20, 1, 0.5f, 0, 1, 0.5f, 0, 0.1f},
      {0, 50, 1, 1, 0, 1, 1, 0, 0.0f},
  };
  for (const Case& c : cases) {
    Options[11] = c.master;
    Options[12] = c.effects;
    testbackend::ClearAudioCalls();
    PlaySFX(1, c.rate, c.vol, c.pan);
    ASSERT_EQ(testbackend::CountAudioCalls("ResumeChannel"), 1);
    EXPECT_FLOAT_EQ(LastFloat("SetChannelRate"), c.wantRate);
    EXPECT_FLOAT_EQ(LastFloat("SetChannelPan"), c.wantPan);
    EXPECT_FLOAT_EQ(LastFloat("SetChannelVolume"), c.channelVolume);
    EXPECT_FLOAT_EQ(ChannelVol[LChan], c.wantVol);
  }
}

TEST_F(SoundTest, APlayingSlotGetsANewChannelAFinishedOneIsReused) {
  PlaySFX(1);
  const int first = Channel[21];
  LChan = 20;
  PlaySFX(1);  // still playing: stopped and replaced
  EXPECT_NE(Channel[21], first);
  EXPECT_EQ(Calls("StopChannel").back().a, first);
  const int second = Channel[21];
  StopChannel(second);  // now finished
  LChan = 20;
  testbackend::ClearAudioCalls();
  PlaySFX(1);
  EXPECT_EQ(Channel[21], second);
  EXPECT_EQ(testbackend::CountAudioCalls("AllocChannel"), 0);
}

TEST_F(SoundTest, MusicChannel) {
  std::vector<std::string> log;
  SetDebugLogHook([&](const std::string& t) { log.push_back(t); });
  PlayMusic(sound);
  const int first = MusicChannel;
  ASSERT_NE(first, 0);
  EXPECT_FLOAT_EQ(LastFloat("SetChannelVolume"), 0.25f);
  EXPECT_EQ(Calls("ResumeChannel").back().a, first);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), std::to_string(first));
  PlayMusic(sound);
  EXPECT_NE(MusicChannel, first);
  EXPECT_EQ(Calls("StopChannel").back().a, first);
  // Music volume 0 leaves the music alone; master 0 still plays it, silently.
  Options[13] = 0;
  const int second = MusicChannel;
  PlayMusic(sound);
  EXPECT_EQ(MusicChannel, second);
  Options[13] = 50;
  Options[11] = 0;
  PlayMusic(sound);
  EXPECT_FLOAT_EQ(LastFloat("SetChannelVolume"), 0.0f);
  // A missing music file takes no channel.
  const int third = MusicChannel;
  testbackend::ClearAudioCalls();
  PlayMusic(0);
  EXPECT_EQ(MusicChannel, third);
  EXPECT_EQ(testbackend::CountAudioCalls("AllocChannel"), 0);
  SetDebugLogHook(nullptr);
}

TEST_F(SoundTest, ChannelsDoNotLeak) {
  for (int i = 0; i < 10000; ++i) {
    PlayMusic(i % 2 ? sound : 0);
    PlaySFX(1);
  }
  EXPECT_LE(testbackend::LiveChannels(), 236 + 1);
  for (const AudioCall& c : AudioCalls()) {
    if (c.op == "CueSound") {
      EXPECT_NE(c.a, 0);
    }
  }
}

TEST_F(SoundTest, BadgeAward) {
  BadgeGet = sound;
  GiveBadge(3);
  EXPECT_EQ(Mybadges, 4);
  ASSERT_EQ(CountList(comments), 1);
  EXPECT_EQ(comments.First()->txt, " : ");
  EXPECT_EQ(comments.First()->c, 1);
  EXPECT_EQ(LChan, 21);
  EXPECT_EQ(Calls("CueSound").back().a, sound);
  EXPECT_FLOAT_EQ(LastFloat("SetChannelVolume"), 0.25f);
  EXPECT_EQ(Calls("ResumeChannel").back().a, Channel[21]);
  // Awarded again: the same bit, another comment and jingle.
  GiveBadge(3);
  EXPECT_EQ(Mybadges, 4);
  EXPECT_EQ(CountList(comments), 2);
  EXPECT_EQ(LChan, 22);
  // Without a jingle nothing is cued.
  BadgeGet = 0;
  testbackend::ClearAudioCalls();
  GiveBadge(1);
  EXPECT_EQ(Mybadges, 5);
  EXPECT_EQ(testbackend::CountAudioCalls("CueSound"), 0);
}

TEST(SetFlag, Bits) {
  EXPECT_EQ(SetFlag(0, 1, 1), 1);
  EXPECT_EQ(SetFlag(0, 30, 1), 1 << 29);
  EXPECT_EQ(SetFlag(5, 1, 0), 4);
  EXPECT_EQ(SetFlag(static_cast<int32_t>(0xC0000000u), 2, 1), 2);
}

}  // namespace
