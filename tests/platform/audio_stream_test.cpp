// Streamed sounds: Ogg Vorbis files kept compressed and decoded as they play.
// Every check compares with the same file decoded whole, which is what the
// game heard before music was streamed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio_test_files.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/core/mixer.h"
#include "platform/core/sound_decode.h"
#include "platform/core/sound_stream.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"

namespace {

using namespace audiotest;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::shared_ptr<SoundData> Whole(const std::string& ogg) {
  return DecodeOggVorbis(reinterpret_cast<const uint8_t*>(ogg.data()), ogg.size());
}

// A tone that changes pitch along its length, so a frame in the wrong place
// shows. Long enough for several of a stream's decode blocks.
std::string Music(int frames, int channels, int rate) {
  std::vector<float> pcm(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      pcm[static_cast<size_t>(i) * channels + c] =
          0.4f * static_cast<float>(std::sin(2 * M_PI * (200.0 + 300.0 * i / frames) * (c + 1) * i / rate));
  return EncodeOgg(pcm, channels, rate);
}

std::vector<int16_t> Render(Mixer& m, int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  m.RenderS16(out.data(), frames);
  return out;
}

struct Layout {
  int channels;
  int rate;
  int kept;  // channels the sound plays with
};
const Layout kLayouts[] = {{1, 22050, 1}, {2, 44100, 2}, {3, 32000, 2}};

TEST(SoundStream, ReadsAndSeeksToExactlyWhatTheWholeDecodeGives) {
  for (Layout l : kLayouts) {
    SCOPED_TRACE(l.channels);
    const std::string ogg = Music(20000, l.channels, l.rate);
    ASSERT_FALSE(ogg.empty());
    auto whole = Whole(ogg);
    auto streamed = StreamOggVorbis(Bytes(ogg));
    ASSERT_TRUE(whole && streamed);
    EXPECT_TRUE(streamed->Streamed());
    EXPECT_TRUE(streamed->samples.empty());
    EXPECT_EQ(streamed->encoded.size(), ogg.size());
    EXPECT_EQ(streamed->channels, l.kept);
    EXPECT_EQ(streamed->rate, l.rate);
    EXPECT_EQ(streamed->Frames(), 20000);
    ASSERT_EQ(whole->Frames(), 20000);

    // Read in blocks that do not divide the decoder's own.
    SoundStream st(streamed);
    ASSERT_TRUE(st.Ok());
    std::vector<int16_t> got;
    std::vector<int16_t> block(static_cast<size_t>(1001) * l.kept);
    for (int n; (n = st.Read(block.data(), 1001)) > 0;) got.insert(got.end(), block.begin(), block.begin() + n * l.kept);
    EXPECT_EQ(got, whole->samples);
    EXPECT_EQ(st.Position(), 20000);
    EXPECT_EQ(st.Read(block.data(), 10), 0);

    // Seeks land on the exact frame, backwards and forwards.
    for (int64_t at : {15000, 0, 4095, 4096, 19999, 7}) {
      st.Seek(at);
      ASSERT_EQ(st.Read(block.data(), 3), std::min<int64_t>(3, 20000 - at)) << at;
      for (int64_t i = 0; i < std::min<int64_t>(3, 20000 - at) * l.kept; ++i)
        EXPECT_EQ(block[i], whole->samples[at * l.kept + i]) << at;
    }

    // The mixer's window: forward in small steps, across blocks, and back.
    for (int64_t i : {0, 1, 2, 4095, 4096, 4097, 9000, 8999, 3, 19999, 0, 20000, -1}) {
      const int16_t* f = st.FrameAt(i);
      for (int c = 0; c < l.kept; ++c) {
        int16_t want = i >= 0 && i < 20000 ? whole->samples[i * l.kept + c] : 0;
        EXPECT_EQ(f[c], want) << i;
      }
    }
  }
}

struct MixCase {
  const char* what;
  bool loop;
  float volume, pan, rate;
  int frames;  // rendered, in blocks of 1024 as SDL asks
};

TEST(SoundStream, MixesExactlyLikeTheWholeSoundIncludingAcrossTheLoop) {
  const std::string ogg = Music(9000, 2, 44100);
  const std::vector<MixCase> cases = {
      {"once", false, 1, 0, 1, 12000},
      {"looped three times", true, 1, 0, 1, 27000 + 500},
      {"looped slow, panned", true, 0.8f, -0.5f, 0.73f, 30000},
      {"looped fast", true, 0.5f, 0.3f, 2.6f, 30000},
      {"once fast", false, 1, 0, 3.0f, 4000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto whole = Whole(ogg);
    auto streamed = StreamOggVorbis(Bytes(ogg));
    whole->loop = streamed->loop = c.loop;
    Mixer a, b;
    for (auto [m, s] : {std::pair<Mixer*, SoundRef>{&a, whole}, {&b, streamed}}) {
      ASSERT_TRUE(m->Cue(1, s));
      m->SetVolume(1, c.volume);
      m->SetPan(1, c.pan);
      m->SetRate(1, c.rate);
      m->Resume(1);
    }
    for (int done = 0; done < c.frames; done += 1024) {
      auto wa = Render(a, 1024), wb = Render(b, 1024);
      ASSERT_EQ(wa, wb) << "block at frame " << done;
    }
    EXPECT_EQ(b.Playing(1), c.loop);
    EXPECT_EQ(a.Playing(1), c.loop);
  }
}

TEST(SoundStream, TwoStreamsAtOnceStopAndRestartAndAdvance) {
  const std::string ogg1 = Music(9000, 2, 44100), ogg2 = Music(7000, 1, 22050);
  auto w1 = Whole(ogg1), w2 = Whole(ogg2);
  auto s1 = StreamOggVorbis(Bytes(ogg1)), s2 = StreamOggVorbis(Bytes(ogg2));
  w2->loop = s2->loop = true;
  Mixer a, b;
  // Steps done alike on the mixer of whole sounds and the one of streams.
  auto both = [&](auto step) {
    step(a, w1, w2);
    step(b, s1, s2);
  };
  auto same = [&](int frames, const char* when) {
    for (int done = 0; done < frames; done += 512) ASSERT_EQ(Render(a, 512), Render(b, 512)) << when << " " << done;
  };
  // One sound on two channels, the second a little later, beside another sound.
  both([](Mixer& m, SoundRef x, SoundRef y) {
    m.Cue(1, x);
    m.Resume(1);
    m.Cue(2, y);
    m.SetPan(2, 0.6f);
    m.Resume(2);
  });
  same(3000, "two");
  both([](Mixer& m, SoundRef x, SoundRef) {
    m.Cue(3, x);
    m.SetRate(3, 1.5f);
    m.Resume(3);
  });
  same(4000, "three");
  // Stopped: that channel falls silent, the others play on.
  both([](Mixer& m, SoundRef, SoundRef) { m.Stop(1); });
  EXPECT_FALSE(b.Playing(1));
  same(2000, "after the stop");
  // Cued again while playing and after a stop: from the start, paused until resumed.
  both([](Mixer& m, SoundRef x, SoundRef) {
    m.Cue(3, x);
    m.Cue(1, x);
  });
  EXPECT_FALSE(b.Playing(1));
  EXPECT_FALSE(b.Playing(3));
  same(1000, "cued");
  both([](Mixer& m, SoundRef, SoundRef) {
    m.Resume(1);
    m.Resume(3);
  });
  same(5000, "restarted");
  // Time passing without output (the test backend's clock) jumps the
  // streams forward; a loop wraps.
  both([](Mixer& m, SoundRef, SoundRef) { m.Advance(12345); });
  EXPECT_TRUE(b.Playing(2));
  same(9000, "after the jump");
  EXPECT_EQ(b.LiveVoices(), a.LiveVoices());
}

// Damaged files through LoadSound, as the game loads its music: a file that
// cannot be read gives 0 as before; one whose audio is damaged loads, plays
// no longer than its length and ends, without a crash.
TEST(SoundStream, DamagedFilesFailToLoadOrPlayOutSafely) {
  testbackend::Reset();
  testbackend::SetAudioFollowsClock(false);
  const int length = 5 * 44100;
  const std::string ogg = Music(length, 2, 44100);
  ASSERT_GT(ogg.size(), 20000u);  // mostly audio pages after the headers
  auto garbled = [&](size_t from, size_t n) {
    std::string s = ogg;
    for (size_t i = from; i < from + n && i < s.size(); ++i) s[i] = static_cast<char>((i * 7919) & 0xFF);
    return s;
  };
  // The last page of the stream, found from the end: a cut at its start
  // leaves whole pages only, none of them the last.
  const size_t last_page = ogg.rfind("OggS");
  ASSERT_GT(last_page, ogg.size() / 2);
  struct Case {
    const char* what;
    std::string bytes;
    bool loads;  // as the whole decode finds too
    // What the load says of it: a file cut short says its data ends early;
    // noise is no cut.
    std::string problem;
  };
  const std::vector<Case> cases = {
      {"whole", ogg, true, ""},
      {"only the first page", ogg.substr(0, 58), false, "data ends early"},
      {"cut inside the headers", ogg.substr(0, 200), false, "data ends early"},
      {"the magic and then noise", "OggS" + std::string(5000, '\x5A'), false, ""},
      {"cut in the middle", ogg.substr(0, ogg.size() / 2), true, "data ends early"},
      {"cut between two pages", ogg.substr(0, last_page), true, "data ends early"},
      {"cut one byte short", ogg.substr(0, ogg.size() - 1), true, "data ends early"},
      {"noise in the middle", garbled(ogg.size() / 3, 2000), true, ""},
      {"noise to the end", garbled(ogg.size() / 2, ogg.size()), true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteTemp("damaged.ogg", c.bytes);
    const int sound = LoadSound(path);
    EXPECT_EQ(LastLoadProblem(), c.problem);
    std::remove(path.c_str());
    // The same verdict as decoding the file whole, as the loader did before.
    auto whole = Whole(c.bytes);
    EXPECT_EQ(whole != nullptr, c.loads);
    ASSERT_EQ(sound != 0, c.loads);
    EXPECT_EQ(testbackend::AudioCalls().back().op, "LoadSound");
    EXPECT_EQ(testbackend::AudioCalls().back().result, sound);
    if (!sound) continue;
    // What can be decoded is what the whole decode gave; the rest of the
    // length the file claims is silence.
    auto streamed = StreamOggVorbis(Bytes(c.bytes));
    ASSERT_TRUE(streamed);
    ASSERT_GE(streamed->Frames(), whole->Frames());
    EXPECT_LE(streamed->Frames(), length);
    SoundStream st(streamed);
    std::vector<int16_t> all(static_cast<size_t>(streamed->Frames()) * 2);
    EXPECT_EQ(st.Read(all.data(), static_cast<int>(streamed->Frames())), streamed->Frames());
    EXPECT_TRUE(std::equal(whole->samples.begin(), whole->samples.end(), all.begin()));
    EXPECT_TRUE(std::all_of(all.begin() + whole->samples.size(), all.end(), [](int16_t v) { return v == 0; }));
    const int ch = PlaySound(sound);
    int frames = 0;
    while (ChannelPlaying(ch) && frames <= 2 * length) {
      testbackend::RenderAudio(1024);
      frames += 1024;
    }
    EXPECT_EQ(ChannelPlaying(ch), 0);
    EXPECT_LE(frames, length + 1024);
    FreeSound(sound);
  }
}

// The channel calls on a streamed sound through the test backend: recorded
// as ever, the channel ends with the virtual clock after the sound's length,
// and the sound can be freed while it plays.
TEST(SoundStream, ChannelsOfStreamedSoundsFollowTheVirtualClock) {
  testbackend::Reset();
  const std::string path = WriteTemp("clock.ogg", Music(4410, 1, 44100));  // 0.1 s
  const int sound = LoadSound(path, 0);
  const int looped = LoadSound(path, SOUND_LOOP);
  std::remove(path.c_str());
  ASSERT_NE(sound, 0);
  const int c = AllocChannel();
  EXPECT_EQ(CueSound(sound, c), c);
  EXPECT_EQ(ChannelPlaying(c), 0);  // cued: waits
  ResumeChannel(c);
  const int l = PlaySound(looped);
  FreeSound(sound);
  testbackend::AdvanceClock(99);
  EXPECT_EQ(ChannelPlaying(c), 1);
  testbackend::AdvanceClock(2);
  EXPECT_EQ(ChannelPlaying(c), 0);
  testbackend::AdvanceClock(10000);
  EXPECT_EQ(ChannelPlaying(l), 1);
  StopChannel(l);
  EXPECT_EQ(ChannelPlaying(l), 0);
  EXPECT_EQ(testbackend::LiveChannels(), 0);
  EXPECT_EQ(testbackend::CountAudioCalls("LoadSound"), 2);
  EXPECT_EQ(testbackend::CountAudioCalls("ChannelPlaying"), 5);
}

}  // namespace
