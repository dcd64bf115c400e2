#include "platform/core/audio_front.h"

#include <cmath>

#include "platform/audio.h"

namespace audiofront {
namespace {
struct State {
  std::function<AudioDriverImpl*()> source;
  int next_channel = 1;
  NullAudioDriver null_driver;
};
State& S() {
  static State s;
  return s;
}
AudioDriverImpl* Driver() {
  AudioDriverImpl* d = S().source ? S().source() : nullptr;
  return d ? d : &S().null_driver;
}
// Channel ids the front has handed out; anything else is ignored.
bool Known(int channel) { return channel > 0 && channel < S().next_channel; }
}  // namespace

void SetDriverSource(std::function<AudioDriverImpl*()> source) { S().source = std::move(source); }

int LoadSound(const std::string& path, int flags) {
  Driver();  // the first sound operation settles the driver
  auto s = LoadSoundFile(path);
  if (!s) return 0;
  s->loop = (flags & SOUND_LOOP) != 0;
  return soundtable::Add(std::move(s));
}

void FreeSound(int sound) {
  SoundRef s = soundtable::Get(sound);
  if (!s) return;
  Driver()->ForgetSound(s.get());
  soundtable::Remove(sound);
}

int AllocChannel() {
  Driver();
  return S().next_channel++;
}

int CueSound(int sound, int channel) {
  SoundRef s = soundtable::Get(sound);
  if (!s) {
    if (Known(channel)) Driver()->Stop(channel);
    return 0;
  }
  if (channel == 0) channel = AllocChannel();
  if (!Known(channel)) return 0;
  Driver()->Cue(channel, std::move(s));
  return channel;
}

void ResumeChannel(int channel) {
  if (Known(channel)) Driver()->Resume(channel);
}

void StopChannel(int channel) {
  if (Known(channel)) Driver()->Stop(channel);
}

int ChannelPlaying(int channel) { return Known(channel) && Driver()->Playing(channel) ? 1 : 0; }

void SetChannelVolume(int channel, float volume) {
  if (!Known(channel)) return;
  // Comparisons are false for NaN, which therefore ends at 0.
  float v = volume >= 0.0f ? (volume <= 1.0f ? volume : 1.0f) : 0.0f;
  Driver()->SetVolume(channel, v);
}

void SetChannelPan(int channel, float pan) {
  if (!Known(channel)) return;
  float p = pan >= -1.0f ? (pan <= 1.0f ? pan : 1.0f) : (std::isnan(pan) ? 0.0f : -1.0f);
  Driver()->SetPan(channel, p);
}

void SetChannelRate(int channel, float rate) {
  if (!Known(channel)) return;
  // A rate of 0 would hold a voice for ever; such a channel plays nothing.
  if (!(rate > 0.0f) || std::isinf(rate)) {
    Driver()->Stop(channel);
    return;
  }
  Driver()->SetRate(channel, rate);
}

int ChannelsAllocated() { return S().next_channel - 1; }

void Reset() {
  S().next_channel = 1;
  soundtable::Clear();
}

bool SameDriverName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = x - 'a' + 'A';
    if (y >= 'a' && y <= 'z') y = y - 'a' + 'A';
    if (x != y) return false;
  }
  return true;
}

}  // namespace audiofront
