#include "platform/core/mixer.h"

#include <algorithm>
#include <cmath>
#include <vector>

Mixer::Mixer(int output_rate, int max_voices)
    : rate_(output_rate > 0 ? output_rate : 44100), max_voices_(max_voices > 0 ? max_voices : kMaxVoices) {}

void Mixer::SetOutputRate(int rate) {
  std::lock_guard<std::mutex> lock(mu_);
  if (rate > 0) rate_ = rate;
}

bool Mixer::Cue(int channel, SoundRef sound) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = voices_.find(channel);
  if (it == voices_.end()) {
    if (static_cast<int>(voices_.size()) >= max_voices_) return false;
    it = voices_.emplace(channel, Voice{}).first;
  }
  it->second.sound = std::move(sound);
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
  std::lock_guard<std::mutex> lock(mu_);
  voices_.erase(channel);
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

void Mixer::MixInto(float* out, int frames) {
  std::lock_guard<std::mutex> lock(mu_);
  constexpr float kScale = 1.0f / 32768.0f;
  for (auto it = voices_.begin(); it != voices_.end();) {
    Voice& v = it->second;
    if (!v.running) {
      ++it;
      continue;
    }
    const SoundData& s = *v.sound;
    const int64_t n = s.Frames();
    const int ch = s.channels;
    const int16_t* smp = s.samples.data();
    const double step = Step(v);
    // Linear balance: the far side fades out, the near side keeps full level.
    const float gl = v.volume * (v.pan > 0 ? 1.0f - v.pan : 1.0f) * kScale;
    const float gr = v.volume * (v.pan < 0 ? 1.0f + v.pan : 1.0f) * kScale;
    bool ended = false;
    for (int f = 0; f < frames; ++f) {
      if (v.pos >= static_cast<double>(n)) {
        if (!s.loop) {
          ended = true;
          break;
        }
        v.pos = std::fmod(v.pos, static_cast<double>(n));
      }
      int64_t i0 = static_cast<int64_t>(v.pos);
      float frac = static_cast<float>(v.pos - static_cast<double>(i0));
      int64_t i1 = i0 + 1 < n ? i0 + 1 : (s.loop ? 0 : i0);
      float l0 = smp[i0 * ch], l1 = smp[i1 * ch];
      float l = l0 + (l1 - l0) * frac;
      float r = l;
      if (ch == 2) {
        float r0 = smp[i0 * ch + 1], r1 = smp[i1 * ch + 1];
        r = r0 + (r1 - r0) * frac;
      }
      out[2 * f] += l * gl;
      out[2 * f + 1] += r * gr;
      v.pos += step;
    }
    if (ended || (!s.loop && v.pos >= static_cast<double>(n)))
      it = voices_.erase(it);
    else
      ++it;
  }
}

void Mixer::RenderS16(int16_t* out, int frames) {
  // The output thread calls this for every block; its buffer is kept.
  thread_local std::vector<float> buf;
  buf.assign(static_cast<size_t>(frames) * 2, 0.0f);
  MixInto(buf.data(), frames);
  for (size_t i = 0; i < buf.size(); ++i) {
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
