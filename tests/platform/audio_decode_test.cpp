#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio_test_files.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/core/sound_decode.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"

namespace {

using namespace audiotest;

std::shared_ptr<SoundData> Decode(const std::string& bytes) {
  return DecodeSound(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct WavCase {
  const char* what;
  int channels;
  int bits;
  std::string data;
  std::vector<int16_t> expected;
};

TEST(AudioDecode, PcmWavInEveryLayout) {
  const std::vector<WavCase> cases = {
      // 8-bit samples are unsigned around 128.
      {"8-bit mono", 1, 8, std::string("\x80\xFF\x00\x40", 4), {0, 127 * 256, -32768, -64 * 256}},
      {"8-bit stereo", 2, 8, std::string("\x80\x90\x70\x80", 4), {0, 16 * 256, -16 * 256, 0}},
      {"16-bit mono", 1, 16, Samples16({0, 32767, -32768, 1234}), {0, 32767, -32768, 1234}},
      {"16-bit stereo", 2, 16, Samples16({100, -100, 2000, -2000}), {100, -100, 2000, -2000}},
  };
  for (const auto& c : cases) {
    auto s = Decode(Wav(c.channels, c.bits, 22050, c.data));
    ASSERT_TRUE(s) << c.what;
    EXPECT_EQ(s->channels, c.channels) << c.what;
    EXPECT_EQ(s->rate, 22050) << c.what;
    EXPECT_EQ(s->samples, c.expected) << c.what;
    EXPECT_EQ(s->Frames(), static_cast<int64_t>(c.expected.size()) / c.channels) << c.what;
  }
}

TEST(AudioDecode, WavSkipsOtherChunksIncludingOddSizedOnes) {
  std::string extra = "LIST";
  Put32(extra, 3);
  extra += std::string("abc\0", 4);  // padded to an even length
  auto s = Decode(Wav(1, 16, 44100, Samples16({5, 6, 7}), 1, extra));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->samples, (std::vector<int16_t>{5, 6, 7}));
}

TEST(AudioDecode, WavDataShorterThanDeclaredKeepsWhatIsThere) {
  std::string wav = Wav(1, 16, 44100, Samples16({1, 2, 3, 4}));
  wav.resize(wav.size() - 3);  // the last sample and a half are gone
  auto s = Decode(wav);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->samples, (std::vector<int16_t>{1, 2}));
}

TEST(AudioDecode, UnsupportedOrBrokenFilesGiveNothing) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"float samples", Wav(1, 32, 44100, std::string(8, '\0'), 3)},
      {"24-bit", Wav(1, 24, 44100, std::string(6, '\0'))},
      {"six channels", Wav(6, 16, 44100, std::string(12, '\0'))},
      {"no fmt chunk", std::string("RIFF\x10\0\0\0WAVEdata\x02\0\0\0\0\0", 20)},
      {"empty", ""},
      {"text", "hello, not a sound at all"},
      {"Ogg header only", "OggS\0\0\0\0"},
  };
  for (const auto& [what, bytes] : cases) EXPECT_FALSE(Decode(bytes)) << what;
}

TEST(AudioDecode, OggVorbisMonoAndStereo) {
  struct Case {
    int channels;
    int rate;
  };
  for (Case c : {Case{1, 22050}, Case{2, 44100}}) {
    const int frames = c.rate / 2;
    std::vector<float> pcm = Sine(frames, c.channels, c.rate, 440.0, 0.5f);
    std::string ogg = EncodeOgg(pcm, c.channels, c.rate);
    ASSERT_FALSE(ogg.empty());
    auto s = Decode(ogg);
    ASSERT_TRUE(s) << c.channels;
    EXPECT_EQ(s->channels, c.channels);
    EXPECT_EQ(s->rate, c.rate);
    EXPECT_EQ(s->Frames(), frames);
    // The decoded wave follows the encoded one closely (lossy, so by energy).
    double err = 0, ref = 0;
    for (int i = 0; i < frames * c.channels; ++i) {
      double want = pcm[i] * 32767.0;
      err += (s->samples[i] - want) * (s->samples[i] - want);
      ref += want * want;
    }
    EXPECT_LT(err / ref, 0.01) << c.channels;
  }
}

class LoadSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testbackend::SetAudioFollowsClock(false);
  }
};

TEST_F(LoadSoundTest, LoadsFilesAndMissingOnesGiveZero) {
  EXPECT_EQ(LoadSound(TempPath("missing.wav")), 0);
  std::string wav = WriteTemp("one.wav", ConstantWav(100, 1000));
  std::string ogg = WriteTemp("one.ogg", EncodeOgg(Sine(4410, 1, 44100, 300, 0.3f), 1, 44100));
  std::string bad = WriteTemp("bad.wav", "RIFF nonsense");
  int a = LoadSound(wav);
  int b = LoadSound(ogg);
  EXPECT_NE(a, 0);
  EXPECT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(LoadSound(bad), 0);
  EXPECT_EQ(testbackend::LiveSounds(), 2);
  FreeSound(a);
  FreeSound(a);
  FreeSound(0);
  EXPECT_EQ(testbackend::LiveSounds(), 1);
  for (const auto& p : {wav, ogg, bad}) std::remove(p.c_str());
}

// A WAV cut short loads with the samples it holds and says its data ends
// early; cut before its samples begin it does not load, and says the same.
TEST_F(LoadSoundTest, AWavCutShortPlaysWhatItHoldsAndSaysSo) {
  std::vector<int16_t> samples(1000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 37 - 18000);
  const std::string wav = Wav(1, 16, 22050, Samples16(samples));
  ASSERT_EQ(wav.size(), 44u + 2000u);
  std::string extra = "LIST";
  Put32(extra, 4);
  extra += "INFO";
  struct Case {
    const char* what;
    std::string bytes;
    int frames;  // -1: does not load
    std::string problem;
  };
  const Case cases[] = {
      {"whole", wav, 1000, ""},
      {"half the samples gone", wav.substr(0, 44 + 1000), 500, "data ends early"},
      {"half a sample short", wav.substr(0, wav.size() - 1), 999, "data ends early"},
      {"no samples left", wav.substr(0, 44), 0, "data ends early"},
      {"cut in the format chunk", wav.substr(0, 30), -1, "data ends early"},
      {"cut before the data chunk", Wav(1, 16, 22050, Samples16(samples), 1, extra).substr(0, 50), -1,
       "data ends early"},
      {"not a sound", "RIFF nonsense", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteTemp("cut.wav", c.bytes);
    const int sound = LoadSound(path);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    std::remove(path.c_str());
    ASSERT_EQ(sound != 0, c.frames >= 0);
    if (sound == 0) continue;
    // It holds what the file holds, as it was written.
    const SoundRef held = soundtable::Get(sound);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Frames(), c.frames);
    EXPECT_TRUE(std::equal(held->samples.begin(), held->samples.end(), samples.begin()));
    FreeSound(sound);
  }
}

TEST_F(LoadSoundTest, FlagOneLoopsTheSound) {
  std::string path = WriteTemp("loop.wav", ConstantWav(100, 8000));
  int once = LoadSound(path, 0);
  int looped = LoadSound(path, SOUND_LOOP);
  std::remove(path.c_str());
  int c1 = PlaySound(once);
  int c2 = PlaySound(looped);
  testbackend::RenderAudio(1000);
  EXPECT_EQ(ChannelPlaying(c1), 0);
  EXPECT_EQ(ChannelPlaying(c2), 1);
  auto out = testbackend::RenderAudio(10);
  EXPECT_NEAR(out[0], 8000, 2);
}

}  // namespace
