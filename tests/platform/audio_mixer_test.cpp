#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "audio_test_files.h"
#include "common/memory_ceiling.h"
#include "platform/core/mixer.h"
#include "platform/core/sound_decode.h"

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

// The output thread renders inside the sound system's C code, which no
// exception may cross: memory that runs out while a block is mixed must not
// end the program there.
class MixerShortOfMemory : public ::testing::Test {
 protected:
  void SetUp() override { testutil::LiftMemoryCeiling(); }
  void TearDown() override { testutil::LiftMemoryCeiling(); }
};

// Root mean square of a block, full scale 32768.
double Rms(const std::vector<int16_t>& block) {
  double sum = 0;
  for (int16_t x : block) sum += static_cast<double>(x) * x;
  return std::sqrt(sum / static_cast<double>(block.size()));
}

TEST_F(MixerShortOfMemory, ABlockThatCannotBeMixedPlaysAsSilenceAndTheNextMixesAgain) {
  const int rate = 44100, clicks = rate * 3 / 2;
  const std::string ogg = audiotest::EncodeOgg(audiotest::ClicksThenTone(rate * 3, clicks, rate), 1, rate);
  ASSERT_FALSE(ogg.empty());
  // What the second case stands on: the stream's decoded blocks grow where
  // the tone begins.
  const audiotest::DecodedBlocks blocks = audiotest::LongestDecodedBlocks(ogg, clicks);
  ASSERT_LT(blocks.before, blocks.after);

  constexpr int kBlock = 1024;
  struct Case {
    const char* name;
    SoundRef sound;
    int16_t level;     // what every sample is once mixing goes on; 0 for the tone
    int frames_before;  // mixed on the output thread before memory runs out
  };
  const Case cases[] = {
      {"an output thread's first block, before its buffer is made", Constant(rate * 3, 16000), 16000, 0},
      {"a stream that reaches a longer decoded block", StreamOggVorbis(std::vector<uint8_t>(ogg.begin(), ogg.end())),
       0, clicks - 8 * kBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.sound);
    Mixer m(rate);
    Play(m, 1, c.sound);
    // The blocks a sound system's thread would ask for: all the memory is
    // taken for sixteen of them (past the tone's start), then given back.
    std::vector<int16_t> block(static_cast<size_t>(kBlock) * 2);
    std::vector<std::vector<int16_t>> starved(16, block);
    std::vector<int16_t> after = block;
    bool threw = false;
    std::thread output([&] {
      try {
        for (int done = 0; done < c.frames_before; done += kBlock) m.RenderS16(block.data(), kBlock);
        testutil::TakeAllMemory();
        for (auto& b : starved) m.RenderS16(b.data(), kBlock);
        testutil::LiftMemoryCeiling();
        // A stream's window may still hold what it had; it is on the tone
        // within a window's length.
        for (int done = 0; done < SoundStream::kWindowFrames * 2; done += kBlock) m.RenderS16(after.data(), kBlock);
      } catch (...) {
        threw = true;
      }
      testutil::LiftMemoryCeiling();
    });
    output.join();
    EXPECT_FALSE(threw) << "memory running out escaped the output thread";
    const bool silent = std::any_of(starved.begin(), starved.end(), [](const std::vector<int16_t>& b) {
      return std::all_of(b.begin(), b.end(), [](int16_t x) { return x == 0; });
    });
    EXPECT_TRUE(silent) << "no block came out silent: memory never ran short";
    if (c.level != 0) {
      EXPECT_TRUE(std::all_of(after.begin(), after.end(), [&](int16_t x) { return std::abs(x - c.level) <= 2; }));
    } else {
      // The tone at half scale: its root mean square is about 11585.
      EXPECT_NEAR(Rms(after), 11585, 1500);
    }
    EXPECT_TRUE(m.Playing(1));
  }
}

}  // namespace
