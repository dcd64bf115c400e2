#include <SDL.h>

#include "platform/core/mixer.h"
#include "platform/real/audio_internal.h"

namespace {

// The mixer renders on SDL's callback thread; the game thread only changes
// channels under the mixer's lock.
class SdlMixerDriver : public AudioDriverImpl {
 public:
  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    owns_subsystem_ = true;
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &SdlMixerDriver::Callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device_ == 0) return false;
    mixer_.SetOutputRate(have.freq);
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  ~SdlMixerDriver() override {
    // Closing waits for a running callback, so the mixer outlives it.
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (owns_subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Cue(int channel, SoundRef sound) override { return mixer_.Cue(channel, std::move(sound)); }
  void Resume(int channel) override { mixer_.Resume(channel); }
  void Stop(int channel) override { mixer_.Stop(channel); }
  bool Playing(int channel) override { return mixer_.Playing(channel); }
  void SetVolume(int channel, float v) override { mixer_.SetVolume(channel, v); }
  void SetPan(int channel, float p) override { mixer_.SetPan(channel, p); }
  void SetRate(int channel, float r) override { mixer_.SetRate(channel, r); }
  int LiveVoices() override { return mixer_.LiveVoices(); }

 private:
  // SDL's C code calls this on its own thread: RenderS16 lets nothing out,
  // memory running out included.
  static void Callback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<SdlMixerDriver*>(userdata);
    self->mixer_.RenderS16(reinterpret_cast<int16_t*>(stream), len / 4);
  }

  Mixer mixer_;
  SDL_AudioDeviceID device_ = 0;
  bool owns_subsystem_ = false;
};

}  // namespace

std::unique_ptr<AudioDriverImpl> CreateSdlMixerDriver() {
  auto d = std::make_unique<SdlMixerDriver>();
  if (!d->Open()) return nullptr;
  return d;
}
