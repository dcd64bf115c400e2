#include "platform/core/mixer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

Mixer::Mixer(int output_rate, int max_voices)
    : rate_(output_rate > 0 ? output_rate : 44100), max_voices_(max_voices > 0 ? max_voices : kMaxVoices) {}

void Mixer::SetOutputRate(int rate) {
  std::lock_guard<std::mutex> lock(mu_);
  if (rate > 0) rate_ = rate;
}

bool Mixer::Cue(int channel, SoundRef sound) {
  // Opening a decoder takes a moment: not while the output thread waits.
  std::unique_ptr<SoundStream> stream;
  if (sound && sound->Streamed() && sound->Frames() > 0) {
    stream = std::make_unique<SoundStream>(sound);
    if (!stream->Ok()) {
      stream.reset();
      sound = nullptr;
    }
  }
  std::unique_ptr<SoundStream> old;  // closed after the lock is given back
  std::lock_guard<std::mutex> lock(mu_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) {
    if (static_cast<int>(voices_.size()) >= max_voices_) return false;
    it = voices_.emplace(channel, Voice{}).first;
  }
  old = std::move(it->second.stream);
  it->second.sound = std::move(sound);
  it->second.stream = std::move(stream);
  it->second.pos = 0;
  it->second.running = false;
  if (!it->second.sound || it->second.sound->Frames() == 0) {
    voices_.erase(it);
    return false;
  }
  return true;
}

void Mixer::Resume(int channel) {
  std::lock_guard<std::mutex> lock(mu_);
  if (auto it = voices_.find(channel); it != voices_.end()) it->second.running = true;
}

void Mixer::Stop(int channel) {
  std::unique_ptr<SoundStream> old;  // closed after the lock is given back
  std::lock_guard<std::mutex> lock(mu_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) return;
  old = std::move(it->second.stream);
  voices_.erase(it);
}

bool Mixer::Playing(int channel) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = voices_.find(channel);
  return it != voices_.end() && it->second.running;
}

void Mixer::SetVolume(int channel, float volume) {
  std::lock_guard<std::mutex> lock(mu_);
  if (auto it = voices_.find(channel); it != voices_.end()) it->second.volume = volume;
}

void Mixer::SetPan(int channel, float pan) {
  std::lock_guard<std::mutex> lock(mu_);
  if (auto it = voices_.find(channel); it != voices_.end()) it->second.pan = pan;
}

void Mixer::SetRate(int channel, float rate) {
  std::lock_guard<std::mutex> lock(mu_);
  if (auto it = voices_.find(channel); it != voices_.end()) it->second.rate = rate;
}

int Mixer::LiveVoices() {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<int>(voices_.size());
}

void Mixer::Clear() {
  std::lock_guard<std::mutex> lock(mu_);
  voices_.clear();
}

double Mixer::Step(const Voice& v) const {
  return static_cast<double>(v.rate) * v.sound->rate / rate_;
}

template <typename FrameFn>
bool Mixer::MixVoice(Voice& v, float* out, int frames, FrameFn frame) {
  constexpr float kScale = 1.0f / 32768.0f;
  const SoundData& s = *v.sound;
  const int64_t n = s.Frames();
  const bool stereo = s.channels == 2;
  const double step = Step(v);
  // Linear balance: the far side fades out, the near side keeps full level.
  const float gl = v.volume * (v.pan > 0 ? 1.0f - v.pan : 1.0f) * kScale;
  const float gr = v.volume * (v.pan < 0 ? 1.0f + v.pan : 1.0f) * kScale;
  for (int f = 0; f < frames; ++f) {
    if (v.pos >= static_cast<double>(n)) {
      if (!s.loop) return true;
      v.pos = std::fmod(v.pos, static_cast<double>(n));
    }
    int64_t i0 = static_cast<int64_t>(v.pos);
    float frac = static_cast<float>(v.pos - static_cast<double>(i0));
    int64_t i1 = i0 + 1 < n ? i0 + 1 : (s.loop ? 0 : i0);
    // Both frames are read before the next is asked for: a stream's window
    // may move on between them.
    const int16_t* a = frame(i0);
    float l0 = a[0], r0 = stereo ? a[1] : l0;
    const int16_t* b = frame(i1);
    float l1 = b[0], r1 = stereo ? b[1] : l1;
    out[2 * f] += (l0 + (l1 - l0) * frac) * gl;
    out[2 * f + 1] += (r0 + (r1 - r0) * frac) * gr;
    v.pos += step;
  }
  return !s.loop && v.pos >= static_cast<double>(n);
}

void Mixer::MixInto(float* out, int frames) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = voices_.begin(); it != voices_.end();) {
    Voice& v = it->second;
    if (!v.running) {
      ++it;
      continue;
    }
    bool ended;
    if (v.stream) {
      SoundStream& st = *v.stream;
      ended = MixVoice(v, out, frames, [&st](int64_t i) { return st.FrameAt(i); });
    } else {
      const int16_t* smp = v.sound->samples.data();
      const int ch = v.sound->channels;
      ended = MixVoice(v, out, frames, [smp, ch](int64_t i) { return smp + i * ch; });
    }
    if (ended)
      it = voices_.erase(it);
    else
      ++it;
  }
}

void Mixer::RenderS16(int16_t* out, int frames) noexcept {
  // The output thread calls this for every block; its buffer is kept.
  thread_local std::vector<float> buf;
  const size_t samples = static_cast<size_t>(frames) * 2;
  try {
    buf.assign(samples, 0.0f);
    MixInto(buf.data(), frames);
  } catch (const std::bad_alloc&) {
    // Nothing may leave the output thread, which belongs to the sound
    // system's C code. A block that could not be mixed plays as silence; the
    // next one is tried afresh.
    std::fill(out, out + samples, int16_t{0});
    return;
  }
  for (size_t i = 0; i < samples; ++i) {
    float x = std::clamp(buf[i], -1.0f, 1.0f);
    out[i] = static_cast<int16_t>(std::lrint(x * 32767.0f));
  }
}

void Mixer::Advance(int64_t frames) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = voices_.begin(); it != voices_.end();) {
    Voice& v = it->second;
    if (v.running) {
      const double n = static_cast<double>(v.sound->Frames());
      v.pos += Step(v) * static_cast<double>(frames);
      if (v.pos >= n) {
        if (!v.sound->loop) {
          it = voices_.erase(it);
          continue;
        }
        v.pos = std::fmod(v.pos, n);
      }
    }
    ++it;
  }
}
