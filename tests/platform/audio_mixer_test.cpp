#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/core/mixer.h"

namespace {

std::shared_ptr<SoundData> Constant(int frames, int16_t value, int rate = 44100, int channels = 1) {
  auto s = std::make_shared<SoundData>();
  s->rate = rate;
  s->channels = channels;
  s->samples.assign(static_cast<size_t>(frames) * channels, value);
  return s;
}

std::vector<int16_t> Render(Mixer& m, int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  m.RenderS16(out.data(), frames);
  return out;
}

// Frames until the output falls silent in both channels.
int SoundingFrames(const std::vector<int16_t>& out) {
  int last = -1;
  for (size_t f = 0; f < out.size() / 2; ++f)
    if (out[2 * f] != 0 || out[2 * f + 1] != 0) last = static_cast<int>(f);
  return last + 1;
}

int Play(Mixer& m, int channel, SoundRef s, float volume = 1, float pan = 0, float rate = 1) {
  EXPECT_TRUE(m.Cue(channel, std::move(s)));
  m.SetVolume(channel, volume);
  m.SetPan(channel, pan);
  m.SetRate(channel, rate);
  m.Resume(channel);
  return channel;
}

TEST(Mixer, VolumeScalesTheAmplitude) {
  struct Case {
    float volume;
    int expected;
  };
  for (Case c : {Case{1.0f, 16000}, Case{0.5f, 8000}, Case{0.25f, 4000}, Case{0.0f, 0}}) {
    Mixer m;
    Play(m, 1, Constant(1000, 16000), c.volume);
    auto out = Render(m, 100);
    EXPECT_NEAR(out[100], c.expected, 2) << c.volume;
    EXPECT_NEAR(out[101], c.expected, 2) << c.volume;
  }
}

TEST(Mixer, PanMovesTheSoundBetweenSides) {
  struct Case {
    float pan;
    int left;
    int right;
  };
  const std::vector<Case> cases = {
      {-1.0f, 16000, 0}, {1.0f, 0, 16000}, {0.0f, 16000, 16000}, {0.5f, 8000, 16000}, {-0.25f, 16000, 12000}};
  for (const auto& c : cases) {
    Mixer m;
    Play(m, 1, Constant(1000, 16000), 1.0f, c.pan);
    auto out = Render(m, 500);
    for (int f = 0; f < 500; f += 50) {
      EXPECT_NEAR(out[2 * f], c.left, 2) << c.pan;
      EXPECT_NEAR(out[2 * f + 1], c.right, 2) << c.pan;
    }
  }
}

TEST(Mixer, RateChangesLengthAndPitchTogether) {
  struct Case {
    float rate;
    int sound_rate;
    int frames;
  };
  const std::vector<Case> cases = {
      {1.0f, 44100, 1000}, {2.0f, 44100, 500}, {0.5f, 44100, 2000}, {4.0f, 44100, 250},
      {1.0f, 22050, 2000},  // a sound recorded at half the output rate lasts twice as long
      {2.0f, 22050, 1000}};
  for (const auto& c : cases) {
    Mixer m(44100);
    Play(m, 7, Constant(1000, 10000, c.sound_rate), 1.0f, 0.0f, c.rate);
    auto out = Render(m, 5000);
    EXPECT_NEAR(SoundingFrames(out), c.frames, 1) << c.rate << " " << c.sound_rate;
    EXPECT_FALSE(m.Playing(7));
  }
}

TEST(Mixer, RateTwoRaisesThePitchAnOctave) {
  // One cycle of a square wave every 100 frames; at rate 2 one every 50.
  auto s = std::make_shared<SoundData>();
  for (int i = 0; i < 4000; ++i) s->samples.push_back((i / 50) % 2 ? 10000 : -10000);
  Mixer m;
  Play(m, 1, s, 1, 0, 2.0f);
  auto out = Render(m, 1000);
  int crossings = 0;
  for (int f = 1; f < 1000; ++f)
    if ((out[2 * f] > 0) != (out[2 * (f - 1)] > 0)) ++crossings;
  EXPECT_NEAR(crossings, 40, 1);  // 20 cycles in 1000 frames
}

TEST(Mixer, StereoSoundsKeepTheirSidesAndChannelsAdd) {
  auto st = std::make_shared<SoundData>();
  st->channels = 2;
  for (int i = 0; i < 100; ++i) {
    st->samples.push_back(3000);
    st->samples.push_back(-5000);
  }
  Mixer m;
  Play(m, 1, st);
  Play(m, 2, Constant(100, 1000));
  auto out = Render(m, 10);
  EXPECT_NEAR(out[0], 4000, 2);
  EXPECT_NEAR(out[1], -4000, 2);
}

TEST(Mixer, LoudMixesClipInsteadOfWrapping) {
  Mixer m;
  for (int c = 1; c <= 4; ++c) Play(m, c, Constant(100, 30000));
  auto out = Render(m, 10);
  EXPECT_EQ(out[0], 32767);
}

TEST(Mixer, CuedSoundsWaitForResumeAndEndedOnesFreeTheirVoice) {
  Mixer m;
  ASSERT_TRUE(m.Cue(3, Constant(100, 5000)));
  EXPECT_FALSE(m.Playing(3));
  EXPECT_EQ(m.LiveVoices(), 1);
  EXPECT_EQ(SoundingFrames(Render(m, 200)), 0);
  m.Resume(3);
  EXPECT_TRUE(m.Playing(3));
  EXPECT_EQ(SoundingFrames(Render(m, 200)), 100);
  EXPECT_FALSE(m.Playing(3));
  EXPECT_EQ(m.LiveVoices(), 0);
  // The same channel plays again when cued again, from the start.
  ASSERT_TRUE(m.Cue(3, Constant(100, 5000)));
  m.Resume(3);
  EXPECT_EQ(SoundingFrames(Render(m, 200)), 100);
}

TEST(Mixer, LoopingSoundsWrapAndStopEndsThem) {
  auto s = Constant(10, 2000);
  s->loop = true;
  Mixer m;
  Play(m, 1, s);
  EXPECT_EQ(SoundingFrames(Render(m, 1000)), 1000);
  m.Advance(123456);
  EXPECT_TRUE(m.Playing(1));
  m.Stop(1);
  EXPECT_FALSE(m.Playing(1));
  EXPECT_EQ(SoundingFrames(Render(m, 100)), 0);
}

TEST(Mixer, AdvanceMovesTimeWithoutOutput) {
  Mixer m;
  Play(m, 1, Constant(1000, 4000), 1, 0, 2.0f);
  m.Advance(400);  // 800 of 1000 frames gone
  EXPECT_TRUE(m.Playing(1));
  EXPECT_EQ(SoundingFrames(Render(m, 1000)), 100);
}

TEST(Mixer, VoicesAreBounded) {
  Mixer m(44100, 8);
  auto s = Constant(10, 1);
  for (int c = 1; c <= 8; ++c) ASSERT_TRUE(m.Cue(c, s));
  EXPECT_FALSE(m.Cue(9, s));
  EXPECT_TRUE(m.Cue(8, s));  // a channel that holds a voice keeps it
  EXPECT_EQ(m.LiveVoices(), 8);
  EXPECT_FALSE(m.Cue(1, nullptr));
  EXPECT_EQ(m.LiveVoices(), 7);
  EXPECT_TRUE(m.Cue(9, s));
  EXPECT_EQ(Mixer().MaxVoices(), Mixer::kMaxVoices);
}

}  // namespace
