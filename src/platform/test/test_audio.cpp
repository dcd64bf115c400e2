#include "platform/test/test_audio.h"

#include <algorithm>

#include "platform/audio.h"
#include "platform/core/audio_front.h"
#include "platform/core/mixer.h"
#include "platform/test/test_backend.h"

namespace testbackend {
namespace {

const std::vector<std::string> kDefaultDrivers = {"FreeAudio", "FreeAudio CoreAudio", "Null"};

struct State {
  std::vector<AudioCall> calls;
  Mixer mixer{44100, 256};
  NullAudioDriver null_driver;
  bool follow_clock = true;
  int64_t clock_ms = 0;  // clock reading the mixer has caught up with
  std::vector<std::string> drivers = kDefaultDrivers;
  bool openal = false;
  std::vector<std::string> openal_devices;
  int openal_answer = -1;  // -1 until EnableOpenALAudio was called
  std::string current;
};
State& S() {
  static State s;
  return s;
}

AudioDriverImpl* CurrentDriver() {
  auto& s = S();
  if (s.current.empty()) s.current = "FreeAudio";
  if (audiofront::SameDriverName(s.current, "Null")) return &s.null_driver;
  return &s.mixer;
}

// Moves the mixer on by the virtual time passed since the last audio call.
void CatchUp() {
  auto& s = S();
  int64_t now = Clock();
  if (!s.follow_clock || now <= s.clock_ms) {
    s.clock_ms = now;
    return;
  }
  int rate = s.mixer.OutputRate();
  int64_t frames = now * rate / 1000 - s.clock_ms * rate / 1000;
  s.clock_ms = now;
  s.mixer.Advance(frames);
}

void ResetAudio() {
  auto& s = S();
  s.calls.clear();
  s.mixer.Clear();
  s.follow_clock = true;
  s.clock_ms = 0;
  s.drivers = kDefaultDrivers;
  s.openal = false;
  s.openal_devices.clear();
  s.openal_answer = -1;
  s.current.clear();
  audiofront::Reset();
}

const bool registered = [] {
  audiofront::SetDriverSource(CurrentDriver);
  AddResetHook(ResetAudio);
  return true;
}();

int Record(const std::string& op, int a, int b, float f, const std::string& text, int result) {
  (void)registered;
  S().calls.push_back(AudioCall{op, a, b, f, text, result});
  return result;
}

}  // namespace

const std::vector<AudioCall>& AudioCalls() { return S().calls; }
void ClearAudioCalls() { S().calls.clear(); }
int CountAudioCalls(const std::string& op) {
  return static_cast<int>(std::count_if(S().calls.begin(), S().calls.end(),
                                        [&](const AudioCall& c) { return c.op == op; }));
}

Mixer& AudioMixer() { return S().mixer; }

std::vector<int16_t> RenderAudio(int frames) {
  std::vector<int16_t> out(static_cast<size_t>(std::max(frames, 0)) * 2);
  if (frames > 0) S().mixer.RenderS16(out.data(), frames);
  return out;
}

void SetAudioFollowsClock(bool follow) {
  S().follow_clock = follow;
  S().clock_ms = Clock();
}

int LiveChannels() {
  CatchUp();
  return S().mixer.LiveVoices();
}
int AudioPoolSize() { return S().mixer.MaxVoices(); }
int LiveSounds() { return soundtable::Count(); }
int ChannelsAllocated() { return audiofront::ChannelsAllocated(); }

void SetAudioDriverList(std::vector<std::string> names, bool openal_present,
                        std::vector<std::string> openal_devices) {
  S().drivers = std::move(names);
  S().openal = openal_present;
  S().openal_devices = std::move(openal_devices);
}

}  // namespace testbackend

using testbackend::CatchUp;
using testbackend::Record;
using testbackend::S;

int LoadSound(const std::string& path, int flags) {
  int h = audiofront::LoadSound(path, flags);
  return Record("LoadSound", 0, flags, 0, path, h);
}

void FreeSound(int sound) {
  audiofront::FreeSound(sound);
  Record("FreeSound", sound, 0, 0, "", 0);
}

int AllocChannel() {
  int c = audiofront::AllocChannel();
  return Record("AllocChannel", 0, 0, 0, "", c);
}

int CueSound(int sound, int channel) {
  CatchUp();
  int c = audiofront::CueSound(sound, channel);
  return Record("CueSound", sound, channel, 0, "", c);
}

int PlaySound(int sound, int channel) {
  CatchUp();
  int c = audiofront::CueSound(sound, channel);
  audiofront::ResumeChannel(c);
  return Record("PlaySound", sound, channel, 0, "", c);
}

void ResumeChannel(int channel) {
  CatchUp();
  audiofront::ResumeChannel(channel);
  Record("ResumeChannel", channel, 0, 0, "", 0);
}

void StopChannel(int channel) {
  CatchUp();
  audiofront::StopChannel(channel);
  Record("StopChannel", channel, 0, 0, "", 0);
}

int ChannelPlaying(int channel) {
  CatchUp();
  int p = audiofront::ChannelPlaying(channel);
  return Record("ChannelPlaying", channel, 0, 0, "", p);
}

void SetChannelVolume(int channel, float volume) {
  CatchUp();
  audiofront::SetChannelVolume(channel, volume);
  Record("SetChannelVolume", channel, 0, volume, "", 0);
}

void SetChannelPan(int channel, float pan) {
  CatchUp();
  audiofront::SetChannelPan(channel, pan);
  Record("SetChannelPan", channel, 0, pan, "", 0);
}

void SetChannelRate(int channel, float rate) {
  CatchUp();
  audiofront::SetChannelRate(channel, rate);
  Record("SetChannelRate", channel, 0, rate, "", 0);
}

std::vector<std::string> AudioDrivers() {
  Record("AudioDrivers", 0, 0, 0, "", static_cast<int>(S().drivers.size()));
  return S().drivers;
}

bool AudioDriverExists(const std::string& name) {
  bool found = std::any_of(S().drivers.begin(), S().drivers.end(),
                           [&](const std::string& d) { return audiofront::SameDriverName(d, name); });
  return Record("AudioDriverExists", 0, 0, 0, name, found ? 1 : 0) != 0;
}

bool SetAudioDriver(const std::string& name) {
  auto& s = S();
  auto it = std::find_if(s.drivers.begin(), s.drivers.end(),
                         [&](const std::string& d) { return audiofront::SameDriverName(d, name); });
  bool ok = it != s.drivers.end();
  if (ok && *it != s.current) {
    s.mixer.Clear();
    s.current = *it;
  }
  return Record("SetAudioDriver", 0, 0, 0, name, ok ? 1 : 0) != 0;
}

bool EnableOpenALAudio() {
  auto& s = S();
  if (s.openal_answer < 0) {
    s.openal_answer = s.openal ? 1 : 0;
    if (s.openal) {
      s.drivers.insert(s.drivers.begin(), "OpenAL Default");
      for (const auto& d : s.openal_devices) s.drivers.insert(s.drivers.begin(), "OpenAL " + d);
    }
  }
  return Record("EnableOpenALAudio", 0, 0, 0, "", s.openal_answer) != 0;
}

std::string CurrentAudioDriver() { return S().current; }
