// OpenAL, looked up at run time: the library is optional on the player's
// system, so nothing links against it and its functions come from dlsym.
// Each playing channel borrows a source from a pool and gives it back once
// its sound has ended or it is stopped.
#include <AL/al.h>
#include <AL/alc.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "platform/real/audio_internal.h"

namespace {

struct AlApi {
  bool ok = false;
  void* lib = nullptr;
  LPALCOPENDEVICE alcOpenDevice;
  LPALCCLOSEDEVICE alcCloseDevice;
  LPALCCREATECONTEXT alcCreateContext;
  LPALCDESTROYCONTEXT alcDestroyContext;
  LPALCMAKECONTEXTCURRENT alcMakeContextCurrent;
  LPALCGETSTRING alcGetString;
  LPALCISEXTENSIONPRESENT alcIsExtensionPresent;
  LPALGETERROR alGetError;
  LPALGENSOURCES alGenSources;
  LPALDELETESOURCES alDeleteSources;
  LPALGENBUFFERS alGenBuffers;
  LPALDELETEBUFFERS alDeleteBuffers;
  LPALBUFFERDATA alBufferData;
  LPALSOURCEI alSourcei;
  LPALSOURCEF alSourcef;
  LPALSOURCE3F alSource3f;
  LPALSOURCEPLAY alSourcePlay;
  LPALSOURCESTOP alSourceStop;
  LPALSOURCEREWIND alSourceRewind;
  LPALGETSOURCEI alGetSourcei;
  LPALDISTANCEMODEL alDistanceModel;
};

template <typename F>
bool Bind(void* lib, F& fn, const char* name) {
  fn = reinterpret_cast<F>(dlsym(lib, name));
  return fn != nullptr;
}

AlApi& Api() {
  static AlApi api = [] {
    AlApi a{};
    a.lib = dlopen("libopenal.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!a.lib) return a;
    bool ok = Bind(a.lib, a.alcOpenDevice, "alcOpenDevice") && Bind(a.lib, a.alcCloseDevice, "alcCloseDevice") &&
              Bind(a.lib, a.alcCreateContext, "alcCreateContext") &&
              Bind(a.lib, a.alcDestroyContext, "alcDestroyContext") &&
              Bind(a.lib, a.alcMakeContextCurrent, "alcMakeContextCurrent") &&
              Bind(a.lib, a.alcGetString, "alcGetString") &&
              Bind(a.lib, a.alcIsExtensionPresent, "alcIsExtensionPresent") &&
              Bind(a.lib, a.alGetError, "alGetError") && Bind(a.lib, a.alGenSources, "alGenSources") &&
              Bind(a.lib, a.alDeleteSources, "alDeleteSources") && Bind(a.lib, a.alGenBuffers, "alGenBuffers") &&
              Bind(a.lib, a.alDeleteBuffers, "alDeleteBuffers") && Bind(a.lib, a.alBufferData, "alBufferData") &&
              Bind(a.lib, a.alSourcei, "alSourcei") && Bind(a.lib, a.alSourcef, "alSourcef") &&
              Bind(a.lib, a.alSource3f, "alSource3f") && Bind(a.lib, a.alSourcePlay, "alSourcePlay") &&
              Bind(a.lib, a.alSourceStop, "alSourceStop") && Bind(a.lib, a.alSourceRewind, "alSourceRewind") &&
              Bind(a.lib, a.alGetSourcei, "alGetSourcei") && Bind(a.lib, a.alDistanceModel, "alDistanceModel");
    a.ok = ok;
    return a;
  }();
  return api;
}

// A list of strings, each ended by NUL, the whole ended by a second NUL.
std::vector<std::string> SplitList(const ALCchar* p) {
  std::vector<std::string> out;
  while (p && *p) {
    std::string s(p);
    out.push_back(s);
    p += s.size() + 1;
  }
  return out;
}

class OpenALDriver : public AudioDriverImpl {
 public:
  // Sources beyond this many are not asked for.
  static constexpr int kMaxSources = 256;

  bool Open(const std::string& device) {
    auto& al = Api();
    device_ = al.alcOpenDevice(device.empty() ? nullptr : device.c_str());
    if (!device_) return false;
    context_ = al.alcCreateContext(device_, nullptr);
    if (!context_ || !al.alcMakeContextCurrent(context_)) return false;
    // No distance fading: a source's position only pans it.
    al.alDistanceModel(AL_NONE);
    al.alGetError();
    return true;
  }

  ~OpenALDriver() override {
    auto& al = Api();
    if (context_) {
      for (auto& [ch, b] : channels_) al.alSourceStop(b.source);
      for (ALuint s : all_sources_) al.alSourcei(s, AL_BUFFER, 0);
      if (!all_sources_.empty()) al.alDeleteSources(static_cast<ALsizei>(all_sources_.size()), all_sources_.data());
      for (auto& [ptr, buf] : buffers_) al.alDeleteBuffers(1, &buf.second);
      al.alcMakeContextCurrent(nullptr);
      al.alcDestroyContext(context_);
    }
    if (device_) al.alcCloseDevice(device_);
  }

  bool Cue(int channel, SoundRef sound) override {
    auto& al = Api();
    ALuint buffer = BufferFor(sound);
    if (buffer == 0) return false;
    auto it = channels_.find(channel);
    if (it == channels_.end()) {
      ALuint source = TakeSource();
      if (source == 0) return false;
      Binding fresh;
      fresh.source = source;
      it = channels_.emplace(channel, std::move(fresh)).first;
      Apply(it->second);
    }
    Binding& b = it->second;
    al.alSourceStop(b.source);
    al.alSourcei(b.source, AL_BUFFER, static_cast<ALint>(buffer));
    al.alSourcei(b.source, AL_LOOPING, sound->loop ? AL_TRUE : AL_FALSE);
    al.alSourceRewind(b.source);
    b.running = false;
    b.sound = std::move(sound);
    return true;
  }

  void Resume(int channel) override {
    auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    Api().alSourcePlay(it->second.source);
    it->second.running = true;
  }

  void Stop(int channel) override {
    auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    Release(it);
  }

  bool Playing(int channel) override {
    auto it = channels_.find(channel);
    if (it == channels_.end() || !it->second.running) return false;
    if (Ended(it->second)) {
      Release(it);
      return false;
    }
    return true;
  }

  void SetVolume(int channel, float v) override {
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.volume = v;
      Apply(it->second);
    }
  }
  void SetPan(int channel, float p) override {
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.pan = p;
      Apply(it->second);
    }
  }
  void SetRate(int channel, float r) override {
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.rate = r;
      Apply(it->second);
    }
  }

  void ForgetSound(const SoundData* sound) override {
    auto bit = buffers_.find(sound);
    if (bit == buffers_.end()) return;
    for (auto it = channels_.begin(); it != channels_.end();) {
      if (it->second.sound.get() == sound)
        it = Release(it);
      else
        ++it;
    }
    Api().alDeleteBuffers(1, &bit->second.second);
    buffers_.erase(bit);
  }

  int LiveVoices() override {
    Reclaim();
    return static_cast<int>(channels_.size());
  }

 private:
  struct Binding {
    ALuint source = 0;
    SoundRef sound;
    float volume = 1, pan = 0, rate = 1;
    bool running = false;
  };
  using Iter = std::unordered_map<int, Binding>::iterator;

  bool Ended(const Binding& b) {
    ALint state = AL_STOPPED;
    Api().alGetSourcei(b.source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED || state == AL_INITIAL;
  }

  Iter Release(Iter it) {
    auto& al = Api();
    al.alSourceStop(it->second.source);
    al.alSourcei(it->second.source, AL_BUFFER, 0);
    free_.push_back(it->second.source);
    return channels_.erase(it);
  }

  // Gives back the sources of channels whose sounds have ended.
  void Reclaim() {
    for (auto it = channels_.begin(); it != channels_.end();) {
      if (it->second.running && Ended(it->second))
        it = Release(it);
      else
        ++it;
    }
  }

  ALuint TakeSource() {
    auto& al = Api();
    if (free_.empty()) Reclaim();
    if (free_.empty() && static_cast<int>(all_sources_.size()) < kMaxSources) {
      al.alGetError();
      ALuint s = 0;
      al.alGenSources(1, &s);
      if (al.alGetError() == AL_NO_ERROR && s != 0) {
        all_sources_.push_back(s);
        free_.push_back(s);
      }
    }
    if (free_.empty()) return 0;
    ALuint s = free_.back();
    free_.pop_back();
    return s;
  }

  ALuint BufferFor(const SoundRef& sound) {
    if (!sound || sound->Frames() == 0) return 0;
    auto it = buffers_.find(sound.get());
    if (it != buffers_.end()) return it->second.second;
    auto& al = Api();
    al.alGetError();
    ALuint buf = 0;
    al.alGenBuffers(1, &buf);
    if (al.alGetError() != AL_NO_ERROR) return 0;
    ALenum format = sound->channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    al.alBufferData(buf, format, sound->samples.data(),
                    static_cast<ALsizei>(sound->samples.size() * sizeof(int16_t)), sound->rate);
    if (al.alGetError() != AL_NO_ERROR) {
      al.alDeleteBuffers(1, &buf);
      return 0;
    }
    buffers_.emplace(sound.get(), std::make_pair(sound, buf));
    return buf;
  }

  void Apply(const Binding& b) {
    auto& al = Api();
    al.alSourcef(b.source, AL_GAIN, b.volume);
    al.alSourcef(b.source, AL_PITCH, b.rate);
    // Pan as a direction on a half circle in front of the listener.
    al.alSourcei(b.source, AL_SOURCE_RELATIVE, AL_TRUE);
    al.alSource3f(b.source, AL_POSITION, b.pan, 0.0f, -std::sqrt(std::max(0.0f, 1.0f - b.pan * b.pan)));
  }

  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  std::unordered_map<int, Binding> channels_;
  std::vector<ALuint> all_sources_;
  std::vector<ALuint> free_;
  // Keeping the sound alongside its buffer keeps its address from being reused.
  std::unordered_map<const SoundData*, std::pair<SoundRef, ALuint>> buffers_;
};

}  // namespace

bool OpenALAvailable() { return Api().ok; }

std::vector<std::string> OpenALDevices() {
  auto& al = Api();
  if (!al.ok) return {};
  if (al.alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT"))
    return SplitList(al.alcGetString(nullptr, 0x1013 /* ALC_ALL_DEVICES_SPECIFIER */));
  return SplitList(al.alcGetString(nullptr, ALC_DEVICE_SPECIFIER));
}

std::unique_ptr<AudioDriverImpl> CreateOpenALDriver(const std::string& device) {
  if (!Api().ok) return nullptr;
  auto d = std::make_unique<OpenALDriver>();
  if (!d->Open(device)) return nullptr;
  return d;
}
