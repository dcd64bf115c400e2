// The audio front of the real backend: the driver list and the current driver.
#include "platform/audio.h"

#include <cstdlib>
#include <memory>

#include "platform/core/audio_front.h"
#include "platform/real/audio_internal.h"

namespace {

struct State {
  std::vector<std::string> drivers;  // newest first
  std::unique_ptr<AudioDriverImpl> driver;
  std::string current;
  int openal_answer = -1;  // -1 until EnableOpenALAudio was called
  bool exit_hook = false;
};

// Drivers join the front of the list as they are created: "Null" first, then
// the two names of the built-in mixer, then OpenAL when present.
std::vector<std::string> StartingDrivers() {
  std::vector<std::string> drivers = {"FreeAudio", "FreeAudio CoreAudio", "Null"};
  if (OpenALAvailable()) drivers.insert(drivers.begin(), "OpenAL");
  return drivers;
}

// Never destroyed: the output thread may still run while statics go away, so
// the driver is closed by the exit hook instead.
State& S() {
  static State* s = [] {
    auto* st = new State;
    st->drivers = StartingDrivers();
    return st;
  }();
  return *s;
}

std::unique_ptr<AudioDriverImpl> Create(const std::string& name) {
  if (audiofront::SameDriverName(name, "Null")) return std::make_unique<NullAudioDriver>();
  if (audiofront::SameDriverName(name, "FreeAudio") || audiofront::SameDriverName(name, "FreeAudio CoreAudio"))
    return CreateSdlMixerDriver();
  if (audiofront::SameDriverName(name, "OpenAL") || audiofront::SameDriverName(name, "OpenAL Default"))
    return CreateOpenALDriver("");
  if (name.size() > 7 && audiofront::SameDriverName(name.substr(0, 7), "OpenAL "))
    return CreateOpenALDriver(name.substr(7));
  return nullptr;
}

void Install(std::unique_ptr<AudioDriverImpl> driver, const std::string& name) {
  auto& s = S();
  if (!s.exit_hook) {
    s.exit_hook = true;
    std::atexit(AudioShutdown);
  }
  s.driver = std::move(driver);
  s.current = name;
}

AudioDriverImpl* Current() {
  auto& s = S();
  if (!s.driver) {
    if (auto d = CreateSdlMixerDriver())
      Install(std::move(d), "FreeAudio");
    else
      Install(std::make_unique<NullAudioDriver>(), "Null");
  }
  return s.driver.get();
}

const bool registered = [] {
  audiofront::SetDriverSource(Current);
  return true;
}();

}  // namespace

void AudioShutdown() {
  auto& s = S();
  s.driver.reset();
  s.current.clear();
}

void AudioStartOver() {
  AudioShutdown();
  S().drivers = StartingDrivers();
  S().openal_answer = -1;
}

int LoadSound(const std::string& path, int flags) {
  (void)registered;
  return audiofront::LoadSound(path, flags);
}
void FreeSound(int sound) { audiofront::FreeSound(sound); }
int AllocChannel() { return audiofront::AllocChannel(); }
int CueSound(int sound, int channel) { return audiofront::CueSound(sound, channel); }
int PlaySound(int sound, int channel) {
  int c = audiofront::CueSound(sound, channel);
  audiofront::ResumeChannel(c);
  return c;
}
void ResumeChannel(int channel) { audiofront::ResumeChannel(channel); }
void StopChannel(int channel) { audiofront::StopChannel(channel); }
int ChannelPlaying(int channel) { return audiofront::ChannelPlaying(channel); }
void SetChannelVolume(int channel, float volume) { audiofront::SetChannelVolume(channel, volume); }
void SetChannelPan(int channel, float pan) { audiofront::SetChannelPan(channel, pan); }
void SetChannelRate(int channel, float rate) { audiofront::SetChannelRate(channel, rate); }

std::vector<std::string> AudioDrivers() {
  auto d = S().drivers;
  if (d.size() > 100) d.resize(100);
  return d;
}

bool AudioDriverExists(const std::string& name) {
  for (const auto& d : S().drivers)
    if (audiofront::SameDriverName(d, name)) return true;
  return false;
}

bool SetAudioDriver(const std::string& name) {
  (void)registered;
  for (const auto& d : S().drivers) {
    if (!audiofront::SameDriverName(d, name)) continue;
    std::string chosen = d;
    // Asking again for the driver in use keeps it, and what it plays.
    if (S().driver && chosen == S().current) return true;
    // Outputs such as SDL's may open only one device at a time, so the old
    // one closes first. When the new one fails, the next sound operation
    // falls back on the default.
    AudioShutdown();
    auto driver = Create(chosen);
    if (!driver) return false;
    Install(std::move(driver), chosen);
    return true;
  }
  return false;
}

bool EnableOpenALAudio() {
  auto& s = S();
  if (s.openal_answer < 0) {
    s.openal_answer = OpenALAvailable() ? 1 : 0;
    if (s.openal_answer) {
      s.drivers.insert(s.drivers.begin(), "OpenAL Default");
      for (const auto& dev : OpenALDevices()) s.drivers.insert(s.drivers.begin(), "OpenAL " + dev);
    }
  }
  return s.openal_answer != 0;
}

std::string CurrentAudioDriver() { return S().current; }
