// The built-in software mixer: mixes every playing channel, with its volume,
// pan and rate, into interleaved stereo. The game thread drives the channels
// while an output thread renders; every call takes the mixer's lock briefly.
// A streamed sound is decoded as it is mixed, by the rendering thread.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/core/audio_driver.h"
#include "platform/core/sound_stream.h"

class Mixer : public AudioDriverImpl {
 public:
  // Voices beyond the limit are refused (a cue then fails).
  static constexpr int kMaxVoices = 1024;

  explicit Mixer(int output_rate = 44100, int max_voices = kMaxVoices);
  int MaxVoices() const { return max_voices_; }

  bool Cue(int channel, SoundRef sound) override;
  void Resume(int channel) override;
  void Stop(int channel) override;
  bool Playing(int channel) override;
  void SetVolume(int channel, float volume) override;
  void SetPan(int channel, float pan) override;
  void SetRate(int channel, float rate) override;
  int LiveVoices() override;

  int OutputRate() const { return rate_; }
  void SetOutputRate(int rate);
  // Adds `frames` stereo frames of the mix into `out` (2 floats a frame, full
  // scale 1.0); sounds that end drop their voice.
  void MixInto(float* out, int frames);
  // Writes `frames` stereo frames of the mix as 16-bit samples, clipped: the
  // entry for an output thread. A block that cannot be mixed for want of
  // memory comes out silent.
  void RenderS16(int16_t* out, int frames) noexcept;
  // Moves every playing channel on by `frames` without producing output.
  void Advance(int64_t frames);
  // Drops every voice.
  void Clear();

 private:
  struct Voice {
    SoundRef sound;
    std::unique_ptr<SoundStream> stream;  // for a streamed sound
    double pos = 0;
    float volume = 1, pan = 0, rate = 1;
    bool running = false;
  };
  // Step of the read position per output frame.
  double Step(const Voice& v) const;
  // Mixes one running voice; `frame(i)` gives frame i's samples. True once
  // its sound has ended.
  template <typename FrameFn>
  bool MixVoice(Voice& v, float* out, int frames, FrameFn frame);

  std::mutex mu_;
  int rate_;
  int max_voices_;
  std::unordered_map<int, Voice> voices_;
};
