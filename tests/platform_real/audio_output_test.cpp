// The audio drivers on real outputs: SDL's disk writer for the built-in mixer,
// and OpenAL's wave writer where OpenAL is installed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../platform/audio_test_files.h"
#include "common/memory_ceiling.h"
#include "platform/audio.h"
#include "platform/real/audio_internal.h"

namespace {

std::string TempPath(const std::string& name) {
  return "/tmp/duskmoor_" + std::to_string(::getpid()) + "_" + name;
}

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A mono 16-bit 44.1 kHz WAV of `frames` frames at `value`.
std::string WriteWav(const std::string& name, int frames, int16_t value) {
  std::string data;
  for (int i = 0; i < frames; ++i) Put(data, static_cast<uint16_t>(value), 2);
  std::string w = "RIFF";
  Put(w, static_cast<uint32_t>(36 + data.size()), 4);
  w += "WAVEfmt ";
  Put(w, 16, 4);
  Put(w, 1, 2);
  Put(w, 1, 2);
  Put(w, 44100, 4);
  Put(w, 88200, 4);
  Put(w, 2, 2);
  Put(w, 16, 2);
  w += "data";
  Put(w, static_cast<uint32_t>(data.size()), 4);
  w += data;
  std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << w;
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WaitUntilQuiet(int channel, double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (!ChannelPlaying(channel)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Longest run of stereo 16-bit frames whose left sample is near `left` and
// whose right sample is near `right`.
int LongestRun(const std::string& pcm, int left, int right) {
  const size_t frames = pcm.size() / 4;
  int best = 0, run = 0;
  for (size_t f = 0; f < frames; ++f) {
    int16_t l, r;
    std::memcpy(&l, pcm.data() + 4 * f, 2);
    std::memcpy(&r, pcm.data() + 4 * f + 2, 2);
    if (std::abs(l - left) <= 2 && std::abs(r - right) <= 2)
      best = std::max(best, ++run);
    else
      run = 0;
  }
  return best;
}

// openal-soft reads its output choice and its settings from the environment
// once, the first time it is used, and keeps them for the life of the
// process. So every case that reaches OpenAL shares one choice, made before
// any case runs: the wave writer, into one file per process. Each case that
// opens OpenAL starts that file afresh.
std::string OpenALWaveFile() { return TempPath("openal.wav"); }

class OpenALWaveOutput : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_LOGLEVEL", "0", 1);
    std::ofstream(Conf()) << "[wave]\nfile = " << OpenALWaveFile() << "\n";
    setenv("ALSOFT_CONF", Conf().c_str(), 1);
  }
  void TearDown() override {
    std::remove(Conf().c_str());
    std::remove(OpenALWaveFile().c_str());
  }

 private:
  static std::string Conf() { return TempPath("alsoft.conf"); }
};
[[maybe_unused]] ::testing::Environment* const kOpenALOutput =
    ::testing::AddGlobalTestEnvironment(new OpenALWaveOutput);

// Every case starts with no driver chosen and the driver list as at start,
// and gives back SDL's audio output choice as it found it.
class AudioOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::LiftMemoryCeiling();
    for (auto& [name, value] : saved_) {
      const char* v = std::getenv(name);
      value = v ? std::optional<std::string>(v) : std::nullopt;
    }
    AudioStartOver();
  }
  void TearDown() override {
    AudioStartOver();
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name, value->c_str(), 1);
      else
        unsetenv(name);
    }
  }

 private:
  std::pair<const char*, std::optional<std::string>> saved_[2] = {{"SDL_AUDIODRIVER", {}},
                                                                  {"SDL_DISKAUDIOFILE", {}}};
};

TEST_F(AudioOutput, DriverListHasTheMixerAndNullInOrder) {
  std::vector<std::string> want = {"FreeAudio", "FreeAudio CoreAudio", "Null"};
  if (OpenALAvailable()) want.insert(want.begin(), "OpenAL");
  EXPECT_EQ(AudioDrivers(), want);
  EXPECT_TRUE(AudioDriverExists("FreeAudio CoreAudio"));
  EXPECT_TRUE(AudioDriverExists("null"));
  EXPECT_FALSE(AudioDriverExists("FreeAudio CoreAudi"));
  EXPECT_FALSE(SetAudioDriver("Nothing"));
}

TEST_F(AudioOutput, MixerPlaysIntoSdlsDiskWriter) {
  const std::string out = TempPath("disk.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(SetAudioDriver("FreeAudio"));
  EXPECT_EQ(CurrentAudioDriver(), "FreeAudio");
  const std::string wav = WriteWav("disk.wav", 8820, 12000);  // 0.2 s
  int sound = LoadSound(wav);
  ASSERT_NE(sound, 0);
  int c = AllocChannel();
  ASSERT_EQ(CueSound(sound, c), c);
  SetChannelPan(c, -1);
  SetChannelVolume(c, 0.5f);
  ResumeChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 1);
  EXPECT_TRUE(WaitUntilQuiet(c, 10.0));
  AudioShutdown();
  std::string pcm = ReadAll(out);
  // Half volume, all on the left: the whole sound is there at 6000 | 0.
  EXPECT_GE(LongestRun(pcm, 6000, 0), 8800);
  EXPECT_EQ(LongestRun(pcm, 12000, 0), 0);
  std::remove(out.c_str());
  std::remove(wav.c_str());
}

TEST_F(AudioOutput, DefaultDriverIsTheMixer) {
  const std::string wav = WriteWav("default.wav", 100, 1000);
  int sound = LoadSound(wav);
  std::remove(wav.c_str());
  EXPECT_NE(sound, 0);
  EXPECT_EQ(CurrentAudioDriver(), "FreeAudio");
}

TEST_F(AudioOutput, ShutdownAfterTheWindowSystemQuitIsHarmless) {
  // The application shell quits SDL before the exit hook closes the driver.
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
  ASSERT_TRUE(SetAudioDriver("FreeAudio"));
  const std::string wav = WriteWav("quit.wav", 44100, 1000);
  const int sound = LoadSound(wav);
  std::remove(wav.c_str());
  int c = PlaySound(sound);
  EXPECT_EQ(ChannelPlaying(c), 1);
  ASSERT_TRUE(SetAudioDriver("freeaudio"));  // the driver in use: nothing changes
  EXPECT_EQ(ChannelPlaying(c), 1);
  ASSERT_TRUE(SetAudioDriver("FreeAudio CoreAudio"));  // a new output starts silent
  EXPECT_EQ(ChannelPlaying(c), 0);
  EXPECT_EQ(CurrentAudioDriver(), "FreeAudio CoreAudio");
  c = PlaySound(sound);
  EXPECT_EQ(ChannelPlaying(c), 1);
  SDL_Quit();
  AudioShutdown();
  EXPECT_EQ(CurrentAudioDriver(), "");
  EXPECT_EQ(ChannelPlaying(c), 0);
  // The next sound operation starts a driver again.
  c = AllocChannel();
  EXPECT_NE(c, 0);
  EXPECT_EQ(CurrentAudioDriver(), "FreeAudio");
}

TEST_F(AudioOutput, NullDriverAcceptsEverythingAndPlaysNothing) {
  ASSERT_TRUE(SetAudioDriver("NULL"));
  EXPECT_EQ(CurrentAudioDriver(), "Null");
  const std::string wav = WriteWav("null.wav", 100, 1000);
  int sound = LoadSound(wav);
  std::remove(wav.c_str());
  int c = PlaySound(sound);
  EXPECT_NE(c, 0);
  EXPECT_EQ(ChannelPlaying(c), 0);
}

// The left and right channel of a WAV file of 16-bit or float samples.
struct StereoPcm {
  int rate = 0;
  std::vector<double> left, right;
};
bool ReadStereoWav(const std::string& bytes, StereoPcm& pcm) {
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return false;
  int format = 0, channels = 0, bits = 0;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    uint32_t len;
    std::memcpy(&len, bytes.data() + pos + 4, 4);
    std::string id = bytes.substr(pos, 4);
    const char* body = bytes.data() + pos + 8;
    if (id == "fmt ") {
      uint16_t v;
      std::memcpy(&v, body, 2);
      format = v;
      std::memcpy(&v, body + 2, 2);
      channels = v;
      uint32_t rate;
      std::memcpy(&rate, body + 4, 4);
      pcm.rate = static_cast<int>(rate);
      std::memcpy(&v, body + 14, 2);
      bits = v;
      if (format == 0xFFFE) {
        std::memcpy(&v, body + 24, 2);
        format = v;
      }
    } else if (id == "data") {
      size_t avail = std::min<size_t>(len, bytes.size() - pos - 8);
      if (channels < 2) return false;
      size_t step = static_cast<size_t>(channels) * bits / 8;
      for (size_t f = 0; f + step <= avail; f += step) {
        double l = 0, r = 0;
        if (format == 3 && bits == 32) {
          float a, b;
          std::memcpy(&a, body + f, 4);
          std::memcpy(&b, body + f + 4, 4);
          l = a, r = b;
        } else if (format == 1 && bits == 16) {
          int16_t a, b;
          std::memcpy(&a, body + f, 2);
          std::memcpy(&b, body + f + 2, 2);
          l = a / 32768.0, r = b / 32768.0;
        } else {
          return false;
        }
        pcm.left.push_back(l);
        pcm.right.push_back(r);
      }
      return true;
    }
    pos += 8 + len + (len & 1);
  }
  return false;
}

// Peak of the left and right channel of a WAV file.
bool WavPeaks(const std::string& bytes, double& left, double& right) {
  StereoPcm pcm;
  if (!ReadStereoWav(bytes, pcm)) return false;
  left = right = 0;
  for (double v : pcm.left) left = std::max(left, std::fabs(v));
  for (double v : pcm.right) right = std::max(right, std::fabs(v));
  return true;
}

TEST_F(AudioOutput, OpenALPlaysIntoItsWaveWriter) {
  const std::string out = OpenALWaveFile();
  if (!OpenALAvailable()) GTEST_SKIP() << "OpenAL is not installed";
  EXPECT_EQ(AudioDrivers().front(), "OpenAL");
  ASSERT_TRUE(EnableOpenALAudio());
  std::vector<std::string> drivers = AudioDrivers();
  ASSERT_GE(drivers.size(), 6u);
  EXPECT_EQ(drivers[drivers.size() - 5], "OpenAL Default");
  EXPECT_EQ(drivers.front().rfind("OpenAL ", 0), 0u);
  EXPECT_TRUE(EnableOpenALAudio());
  EXPECT_EQ(AudioDrivers().size(), drivers.size());  // added once only

  ASSERT_TRUE(SetAudioDriver("OpenAL"));
  const std::string wav = WriteWav("al.wav", 8820, 16000);
  int sound = LoadSound(wav);
  ASSERT_NE(sound, 0);
  int c = AllocChannel();
  ASSERT_EQ(CueSound(sound, c), c);
  SetChannelPan(c, -1);
  ResumeChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 1);
  EXPECT_TRUE(WaitUntilQuiet(c, 10.0));
  AudioShutdown();
  double left = 0, right = 0;
  ASSERT_TRUE(WavPeaks(ReadAll(out), left, right));
  EXPECT_GT(left, 0.2);
  EXPECT_GT(left, 4 * right);
  std::remove(out.c_str());
  std::remove(wav.c_str());
}

TEST_F(AudioOutput, OpenALSourcesComeBackAfterUse) {
  if (!OpenALAvailable()) GTEST_SKIP() << "OpenAL is not installed";
  ASSERT_TRUE(SetAudioDriver("OpenAL"));
  const std::string wav = WriteWav("al_pool.wav", 44100, 1000);  // 1 s
  int sound = LoadSound(wav);
  std::remove(wav.c_str());
  // More channels than sources: the surplus plays nothing and breaks nothing.
  std::vector<int> chans;
  int playing = 0;
  for (int i = 0; i < 400; ++i) {
    int c = PlaySound(sound);
    ASSERT_NE(c, 0);
    chans.push_back(c);
    playing += ChannelPlaying(c);
  }
  EXPECT_GE(playing, 16);
  EXPECT_LT(playing, 400);
  for (int c : chans) StopChannel(c);
  // Stopped channels give their sources back.
  for (int i = 0; i < 5000; ++i) {
    int c = PlaySound(sound);
    ASSERT_EQ(ChannelPlaying(c), 1) << i;
    StopChannel(c);
  }
  // A rate of 0 plays nothing.
  int c = AllocChannel();
  CueSound(sound, c);
  SetChannelRate(c, 0);
  ResumeChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 0);
  // A short sound ends by itself.
  const std::string shortwav = WriteWav("al_short.wav", 2205, 1000);
  int s2 = LoadSound(shortwav);
  std::remove(shortwav.c_str());
  c = PlaySound(s2);
  EXPECT_TRUE(WaitUntilQuiet(c, 10.0));
  FreeSound(s2);
  FreeSound(sound);
}

// Stretches of output that sound, split where it is quiet for 50 ms or more.
struct Segment {
  double start = 0, length = 0;  // seconds
  double longest_gap = 0;        // the longest quiet stretch inside, seconds
  double peak_left = 0, peak_right = 0;
};
std::vector<Segment> Segments(const StereoPcm& pcm) {
  const double kQuiet = 0.02;
  const size_t split = static_cast<size_t>(pcm.rate * 0.05);
  std::vector<Segment> out;
  size_t first = 0, last = 0, gap = 0, longest = 0;
  bool open = false;
  double pl = 0, pr = 0;
  auto close = [&] {
    out.push_back(Segment{static_cast<double>(first) / pcm.rate, static_cast<double>(last + 1 - first) / pcm.rate,
                          static_cast<double>(longest) / pcm.rate, pl, pr});
    open = false;
  };
  for (size_t f = 0; f < pcm.left.size(); ++f) {
    const double l = std::fabs(pcm.left[f]), r = std::fabs(pcm.right[f]);
    if (std::max(l, r) <= kQuiet) {
      if (open && ++gap >= split) close();
      continue;
    }
    if (!open) {
      open = true;
      first = f;
      longest = 0;
      pl = pr = 0;
    } else {
      longest = std::max(longest, gap);
    }
    gap = 0;
    last = f;
    pl = std::max(pl, l);
    pr = std::max(pr, r);
  }
  if (open) close();
  return out;
}

// How much sound an output has written so far, read from the size of its
// file. Both writers are paced by the wall clock and fall behind on a busy
// machine, so the streams wait on what was written, never on time passing.
class OutputFile {
 public:
  // A raw file of 16-bit stereo frames at `rate`, or (rate 0) a WAV file
  // whose header says its rate.
  OutputFile(std::string path, int rate) : path_(std::move(path)), bytes_per_second_(rate * 4.0) {}

  double SecondsWritten() {
    if (bytes_per_second_ <= 0 && !ReadWavHeader()) return 0;
    // Read without allocating: a case watches the file while memory is gone.
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || static_cast<uintmax_t>(st.st_size) < header_) return 0;
    return static_cast<double>(static_cast<uintmax_t>(st.st_size) - header_) / bytes_per_second_;
  }

  // Until `seconds` more sound than now is in the file; false when the writer
  // stopped writing (a minute without the sound it owes).
  bool WaitFor(double seconds) {
    const double until = SecondsWritten() + seconds;
    auto last = SecondsWritten();
    auto stalled = std::chrono::steady_clock::now();
    while (SecondsWritten() < until) {
      if (SecondsWritten() > last) {
        last = SecondsWritten();
        stalled = std::chrono::steady_clock::now();
      }
      if (std::chrono::steady_clock::now() - stalled > std::chrono::seconds(60)) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

 private:
  // The byte rate of the format chunk and where the data chunk's samples begin.
  bool ReadWavHeader() {
    const std::string bytes = ReadAll(path_);
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return false;
    uint32_t rate = 0;
    for (size_t pos = 12; pos + 8 <= bytes.size();) {
      uint32_t len;
      std::memcpy(&len, bytes.data() + pos + 4, 4);
      if (bytes.compare(pos, 4, "fmt ") == 0 && pos + 20 <= bytes.size()) std::memcpy(&rate, bytes.data() + pos + 16, 4);
      if (bytes.compare(pos, 4, "data") == 0) {
        if (rate == 0) return false;
        header_ = pos + 8;
        bytes_per_second_ = rate;
        return true;
      }
      pos += 8 + len + (len & 1);
    }
    return false;
  }

  std::string path_;
  double bytes_per_second_;
  uintmax_t header_ = 0;
};

// A streamed sound, then a short one looped, then one sound streamed on two
// channels at once, with quiet between: each must sound for its whole length
// without a break, the loop across its seams.
void PlayStreams(OutputFile& output) {
  const int rate = 44100;
  // 440 Hz fits the looped quarter second a whole number of times.
  const std::string long_ogg =
      audiotest::WriteTemp("long.ogg", audiotest::EncodeOgg(audiotest::Sine(rate * 3 / 2, 1, rate, 440, 0.5f), 1, rate));
  const std::string loop_ogg =
      audiotest::WriteTemp("loop.ogg", audiotest::EncodeOgg(audiotest::Sine(rate / 4, 1, rate, 440, 0.5f), 1, rate));
  const int long_sound = LoadSound(long_ogg);
  const int loop_sound = LoadSound(loop_ogg, SOUND_LOOP);
  std::remove(long_ogg.c_str());
  std::remove(loop_ogg.c_str());
  ASSERT_NE(long_sound, 0);
  ASSERT_NE(loop_sound, 0);
  // Quiet that splits the output into its three parts.
  auto pause = [&] { ASSERT_TRUE(output.WaitFor(0.3)); };

  int c = PlaySound(long_sound);
  EXPECT_EQ(ChannelPlaying(c), 1);
  EXPECT_TRUE(WaitUntilQuiet(c, 60.0));
  ASSERT_NO_FATAL_FAILURE(pause());

  c = PlaySound(loop_sound);
  // Nearly five times round the loop; it still plays when stopped.
  ASSERT_TRUE(output.WaitFor(1.2));
  EXPECT_EQ(ChannelPlaying(c), 1);
  StopChannel(c);
  EXPECT_EQ(ChannelPlaying(c), 0);
  ASSERT_NO_FATAL_FAILURE(pause());

  const int left = AllocChannel(), right = AllocChannel();
  CueSound(long_sound, left);
  CueSound(long_sound, right);
  SetChannelPan(left, -1);
  SetChannelPan(right, 1);
  SetChannelVolume(left, 0.5f);
  SetChannelVolume(right, 0.5f);
  ResumeChannel(left);
  ResumeChannel(right);
  EXPECT_TRUE(WaitUntilQuiet(left, 60.0));
  EXPECT_TRUE(WaitUntilQuiet(right, 60.0));
  ASSERT_NO_FATAL_FAILURE(pause());
  AudioShutdown();
}

void CheckStreams(const StereoPcm& pcm) {
  ASSERT_GT(pcm.rate, 0);
  const auto segs = Segments(pcm);
  ASSERT_EQ(segs.size(), 3u);
  EXPECT_NEAR(segs[0].length, 1.5, 0.03);
  EXPECT_GE(segs[1].length, 1.1);
  EXPECT_NEAR(segs[2].length, 1.5, 0.03);
  for (const auto& s : segs) EXPECT_LT(s.longest_gap, 0.003) << "at " << s.start << " s";
  EXPECT_GT(segs[2].peak_left, 0.1);
  EXPECT_GT(segs[2].peak_right, 0.1);
}

TEST_F(AudioOutput, MixerStreamsIntoSdlsDiskWriter) {
  const std::string out = TempPath("stream.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(SetAudioDriver("FreeAudio"));
  OutputFile written(out, 44100);
  ASSERT_NO_FATAL_FAILURE(PlayStreams(written));
  const std::string raw = ReadAll(out);
  std::remove(out.c_str());
  StereoPcm pcm;
  pcm.rate = 44100;
  for (size_t f = 0; f + 4 <= raw.size(); f += 4) {
    int16_t l, r;
    std::memcpy(&l, raw.data() + f, 2);
    std::memcpy(&r, raw.data() + f + 2, 2);
    pcm.left.push_back(l / 32768.0);
    pcm.right.push_back(r / 32768.0);
  }
  CheckStreams(pcm);
}

TEST_F(AudioOutput, OpenALStreamsIntoItsWaveWriter) {
  const std::string out = OpenALWaveFile();
  if (!OpenALAvailable()) GTEST_SKIP() << "OpenAL is not installed";
  ASSERT_TRUE(SetAudioDriver("OpenAL"));
  OutputFile written(out, 0);
  ASSERT_NO_FATAL_FAILURE(PlayStreams(written));
  StereoPcm pcm;
  ASSERT_TRUE(ReadStereoWav(ReadAll(out), pcm));
  std::remove(out.c_str());
  CheckStreams(pcm);
}

// OpenAL's buffers are refilled on a thread of the driver's own, which
// nothing may leave. Clicks keep the encoder on short blocks, so the stream
// first needs memory on that thread when it reaches the tone; all memory is
// gone from just after the start until its buffers have run dry. The stream
// must go on from where it stood once memory is back, after a quiet stretch.
TEST_F(AudioOutput, OpenALStreamGoesOnAfterMemoryRunsOutOnItsFeeder) {
  const std::string out = OpenALWaveFile();
  if (!OpenALAvailable()) GTEST_SKIP() << "OpenAL is not installed";
  const int rate = 44100, clicks = rate * 3 / 2;
  const std::string ogg = audiotest::EncodeOgg(audiotest::ClicksThenTone(rate * 3, clicks, rate), 1, rate);
  ASSERT_FALSE(ogg.empty());
  // What the case stands on: the decoded blocks grow where the tone begins.
  const audiotest::DecodedBlocks blocks = audiotest::LongestDecodedBlocks(ogg, clicks);
  ASSERT_LT(blocks.before, blocks.after);
  const std::string path = audiotest::WriteTemp("hungry.ogg", ogg);
  ASSERT_TRUE(SetAudioDriver("OpenAL"));
  const int sound = LoadSound(path);
  std::remove(path.c_str());
  ASSERT_NE(sound, 0);
  OutputFile written(out, 0);
  const int c = PlaySound(sound);
  ASSERT_EQ(ChannelPlaying(c), 1);
  ASSERT_TRUE(written.WaitFor(0.05));
  // The stream's queue holds under a second: it runs dry well within this.
  testutil::TakeAllMemory();
  const bool wrote = written.WaitFor(2.5);
  // Dry for want of memory, the stream has not ended.
  const int playing_while_dry = ChannelPlaying(c);
  testutil::LiftMemoryCeiling();
  ASSERT_TRUE(wrote);
  EXPECT_EQ(playing_while_dry, 1);
  EXPECT_EQ(ChannelPlaying(c), 1);
  EXPECT_TRUE(WaitUntilQuiet(c, 60.0));
  ASSERT_TRUE(written.WaitFor(0.3));
  AudioShutdown();
  StereoPcm pcm;
  ASSERT_TRUE(ReadStereoWav(ReadAll(out), pcm));
  std::remove(out.c_str());
  const auto segs = Segments(pcm);
  // Two parts, split where the stream ran dry; the second goes on from
  // where the first stopped, so together they are the whole sound.
  ASSERT_EQ(segs.size(), 2u);
  EXPECT_NEAR(segs[0].length + segs[1].length, 3.0, 0.03);
  EXPECT_GE(segs[1].length, 1.5 - 0.03);
}

}  // namespace
