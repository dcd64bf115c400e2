#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "audio_test_files.h"
#include "platform/audio.h"
#include "platform/core/mixer.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"

namespace {

using namespace audiotest;

class AudioChannels : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    path_ = WriteTemp("chan.wav", ConstantWav(4410, 16000));  // 0.1 s
    sound_ = LoadSound(path_);
    ASSERT_NE(sound_, 0);
  }
  void TearDown() override { std::remove(path_.c_str()); }

  // Cue, set, resume: the order the game's effects use.
  int Start(float volume = 1, float pan = 0, float rate = 1, int channel = 0) {
    int c = channel ? channel : AllocChannel();
    CueSound(sound_, c);
    SetChannelVolume(c, volume);
    SetChannelPan(c, pan);
    SetChannelRate(c, rate);
    ResumeChannel(c);
    return c;
  }

  std::string path_;
  int sound_ = 0;
};

TEST_F(AudioChannels, SoundHandleZeroAndChannelZeroAreHarmless) {
  testbackend::SetAudioFollowsClock(false);
  EXPECT_EQ(CueSound(0), 0);
  EXPECT_EQ(PlaySound(0), 0);
  int c = Start();
  EXPECT_EQ(CueSound(0, c), 0);  // cueing nothing silences the channel
  EXPECT_EQ(ChannelPlaying(c), 0);
  ResumeChannel(0);
  StopChannel(0);
  SetChannelVolume(0, 1);
  SetChannelPan(0, 1);
  SetChannelRate(0, 1);
  EXPECT_EQ(ChannelPlaying(0), 0);
  EXPECT_EQ(ChannelPlaying(-5), 0);
  EXPECT_EQ(ChannelPlaying(999), 0);  // never handed out
  EXPECT_EQ(testbackend::LiveChannels(), 0);
}

TEST_F(AudioChannels, VolumeIsClampedToZeroToOne) {
  testbackend::SetAudioFollowsClock(false);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float volume;
    int expected;
  };
  for (Case c : {Case{2.5f, 16000}, Case{9.0f, 16000}, Case{-1.0f, 0}, Case{nan, 0}, Case{0.5f, 8000}}) {
    testbackend::AudioMixer().Clear();
    Start(c.volume);
    auto out = testbackend::RenderAudio(10);
    EXPECT_NEAR(out[0], c.expected, 2) << c.volume;
  }
}

TEST_F(AudioChannels, PanIsClamped) {
  testbackend::SetAudioFollowsClock(false);
  Start(1, -3.0f);
  auto out = testbackend::RenderAudio(10);
  EXPECT_NEAR(out[0], 16000, 2);
  EXPECT_EQ(out[1], 0);
}

TEST_F(AudioChannels, RatesOfZeroOrBelowPlayNothingAndHoldNoVoice) {
  testbackend::SetAudioFollowsClock(false);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float rate : {0.0f, -1.0f, nan, -0.0f}) {
    int c = Start(1, 0, rate);
    EXPECT_EQ(ChannelPlaying(c), 0) << rate;
    EXPECT_EQ(testbackend::LiveChannels(), 0) << rate;
    auto out = testbackend::RenderAudio(10);
    EXPECT_EQ(out[0], 0) << rate;
  }
  // A rate of 0 given to a playing channel ends it.
  int c = Start();
  EXPECT_EQ(ChannelPlaying(c), 1);
  SetChannelRate(c, 0);
  EXPECT_EQ(ChannelPlaying(c), 0);
}

TEST_F(AudioChannels, ChannelsEndWithTheVirtualClock) {
  int c = Start();
  EXPECT_EQ(ChannelPlaying(c), 1);
  testbackend::AdvanceClock(99);
  EXPECT_EQ(ChannelPlaying(c), 1);
  testbackend::AdvanceClock(2);
  EXPECT_EQ(ChannelPlaying(c), 0);
  // At rate 0.5 the same sound lasts 0.2 s.
  c = Start(1, 0, 0.5f);
  testbackend::AdvanceClock(150);
  EXPECT_EQ(ChannelPlaying(c), 1);
  testbackend::AdvanceClock(60);
  EXPECT_EQ(ChannelPlaying(c), 0);
}

TEST_F(AudioChannels, FinishedChannelCanBeCuedAgainAndStoppedOneReadsIdle) {
  int c = Start();
  testbackend::AdvanceClock(200);
  EXPECT_EQ(ChannelPlaying(c), 0);
  Start(1, 0, 1, c);
  EXPECT_EQ(ChannelPlaying(c), 1);
  StopChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 0);
  StopChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 0);
}

TEST_F(AudioChannels, ThousandsOfPlaysHoldNoMoreVoicesThanSound) {
  // Effects in 236 rotating slots, reused once finished, beside notes that take
  // a new channel each, as the music does; a frame of 16 ms between steps.
  std::vector<int> slot(236, 0);
  int last = 0;
  int most = 0;
  for (int i = 0; i < 10000; ++i) {
    int& s = slot[i % 236];
    if (s != 0 && ChannelPlaying(s)) {
      StopChannel(s);
      s = 0;
    }
    if (s == 0) s = AllocChannel();
    Start(1, 0, 1, s);
    last = Start(0.5f, 0.3f, 1.5f);
    testbackend::AdvanceClock(16);
    most = std::max(most, testbackend::LiveChannels());
  }
  // 0.1 s sounds every 16 ms: at most seven of each kind at once.
  EXPECT_LE(most, 16);
  EXPECT_EQ(ChannelPlaying(last), 1);
  testbackend::AdvanceClock(1000);
  EXPECT_EQ(ChannelPlaying(last), 0);
  EXPECT_EQ(testbackend::LiveChannels(), 0);
  EXPECT_EQ(testbackend::CountAudioCalls("CueSound"), 20000);
}

TEST_F(AudioChannels, PlaysBeyondThePoolAreSilentUntilVoicesFree) {
  const int pool = testbackend::AudioPoolSize();
  std::vector<int> chans;
  for (int i = 0; i < pool + 10; ++i) chans.push_back(Start());
  EXPECT_EQ(testbackend::LiveChannels(), pool);
  EXPECT_EQ(ChannelPlaying(chans.front()), 1);
  EXPECT_EQ(ChannelPlaying(chans.back()), 0);
  testbackend::AdvanceClock(200);
  EXPECT_EQ(testbackend::LiveChannels(), 0);
  EXPECT_EQ(ChannelPlaying(Start()), 1);
}

TEST_F(AudioChannels, FreedSoundFinishesOnItsChannel) {
  testbackend::SetAudioFollowsClock(false);
  int c = Start();
  FreeSound(sound_);
  EXPECT_EQ(testbackend::LiveSounds(), 0);
  EXPECT_EQ(ChannelPlaying(c), 1);
  testbackend::RenderAudio(5000);
  EXPECT_EQ(ChannelPlaying(c), 0);
  EXPECT_EQ(CueSound(sound_, c), 0);  // the handle is gone
}

TEST_F(AudioChannels, CallsAreRecordedWithTheirArguments) {
  testbackend::ClearAudioCalls();
  int c = AllocChannel();
  CueSound(sound_, c);
  SetChannelVolume(c, 0.25f);
  SetChannelPan(c, -0.3f);
  SetChannelRate(c, 1.5f);
  ResumeChannel(c);
  const auto& calls = testbackend::AudioCalls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].op, "AllocChannel");
  EXPECT_EQ(calls[0].result, c);
  EXPECT_EQ(calls[1].op, "CueSound");
  EXPECT_EQ(calls[1].a, sound_);
  EXPECT_EQ(calls[1].b, c);
  EXPECT_EQ(calls[1].result, c);
  EXPECT_EQ(calls[2].op, "SetChannelVolume");
  EXPECT_FLOAT_EQ(calls[2].f, 0.25f);
  EXPECT_EQ(calls[3].op, "SetChannelPan");
  EXPECT_FLOAT_EQ(calls[3].f, -0.3f);
  EXPECT_EQ(calls[4].op, "SetChannelRate");
  EXPECT_FLOAT_EQ(calls[4].f, 1.5f);
  EXPECT_EQ(calls[5].op, "ResumeChannel");
  EXPECT_EQ(calls[5].a, c);
}

TEST_F(AudioChannels, SettingTheDriverInUseKeepsWhatPlays) {
  int c = Start();
  EXPECT_TRUE(SetAudioDriver("FreeAudio"));
  EXPECT_TRUE(SetAudioDriver("FREEAUDIO"));
  EXPECT_EQ(ChannelPlaying(c), 1);
  EXPECT_TRUE(SetAudioDriver("FreeAudio CoreAudio"));
  EXPECT_EQ(ChannelPlaying(c), 0);
  EXPECT_EQ(CurrentAudioDriver(), "FreeAudio CoreAudio");
}

TEST_F(AudioChannels, CueWithoutChannelAllocatesOne) {
  int a = CueSound(sound_);
  int b = PlaySound(sound_);
  EXPECT_NE(a, 0);
  EXPECT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(ChannelPlaying(a), 0);  // cued, not started
  EXPECT_EQ(ChannelPlaying(b), 1);
}

TEST(AudioDrivers, DoubleListsDriversAndEnablesOpenALOnce) {
  testbackend::Reset();
  EXPECT_EQ(AudioDrivers(), (std::vector<std::string>{"FreeAudio", "FreeAudio CoreAudio", "Null"}));
  EXPECT_TRUE(AudioDriverExists("FreeAudio"));
  EXPECT_TRUE(AudioDriverExists("freeaudio"));
  EXPECT_FALSE(AudioDriverExists("Free"));
  EXPECT_FALSE(EnableOpenALAudio());
  EXPECT_FALSE(SetAudioDriver("OpenAL"));

  testbackend::Reset();
  testbackend::SetAudioDriverList({"OpenAL", "FreeAudio", "FreeAudio CoreAudio", "Null"}, true, {"Card A"});
  EXPECT_TRUE(EnableOpenALAudio());
  EXPECT_TRUE(EnableOpenALAudio());
  EXPECT_EQ(AudioDrivers(), (std::vector<std::string>{"OpenAL Card A", "OpenAL Default", "OpenAL", "FreeAudio",
                                                      "FreeAudio CoreAudio", "Null"}));
  EXPECT_TRUE(SetAudioDriver("OpenAL"));
  EXPECT_EQ(CurrentAudioDriver(), "OpenAL");
}

TEST(AudioDrivers, NullDriverPlaysNothing) {
  testbackend::Reset();
  EXPECT_TRUE(SetAudioDriver("Null"));
  std::string path = WriteTemp("null.wav", ConstantWav(100, 100));
  int s = LoadSound(path);
  std::remove(path.c_str());
  EXPECT_NE(s, 0);
  int c = PlaySound(s);
  EXPECT_NE(c, 0);
  EXPECT_EQ(ChannelPlaying(c), 0);
  EXPECT_EQ(testbackend::LiveChannels(), 0);
}

}  // namespace
