// OpenAL, looked up at run time: the library is optional on the player's
// system, so nothing links against it and its functions come from dlsym.
// Each playing channel borrows a source from a pool and gives it back once
// its sound has ended or it is stopped. A sound held whole plays from one
// buffer shared by its channels; a streamed sound is decoded into a few
// buffers of the channel's own, queued on its source and refilled by a feeder
// thread as they are played.
#include <AL/al.h>
#include <AL/alc.h>
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/core/sound_stream.h"
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
  LPALSOURCEQUEUEBUFFERS alSourceQueueBuffers;
  LPALSOURCEUNQUEUEBUFFERS alSourceUnqueueBuffers;
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
              Bind(a.lib, a.alGetSourcei, "alGetSourcei") && Bind(a.lib, a.alDistanceModel, "alDistanceModel") &&
              Bind(a.lib, a.alSourceQueueBuffers, "alSourceQueueBuffers") &&
              Bind(a.lib, a.alSourceUnqueueBuffers, "alSourceUnqueueBuffers");
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
  // A streaming channel's buffers: four blocks of 8192 frames hold about
  // 0.7 s at 44.1 kHz, ample for a feeder that comes round every 10 ms even
  // on a busy machine.
  static constexpr int kStreamBuffers = 4;
  static constexpr int kStreamBlockFrames = 8192;

  bool Open(const std::string& device) {
    auto& al = Api();
    device_ = al.alcOpenDevice(device.empty() ? nullptr : device.c_str());
    if (!device_) return false;
    context_ = al.alcCreateContext(device_, nullptr);
    if (!context_ || !al.alcMakeContextCurrent(context_)) return false;
    // No distance fading: a source's position only pans it.
    al.alDistanceModel(AL_NONE);
    al.alGetError();
    feeder_ = std::thread([this] { FeedLoop(); });
    return true;
  }

  ~OpenALDriver() override {
    if (feeder_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mu_);
        quit_ = true;
      }
      wake_.notify_all();
      feeder_.join();
    }
    auto& al = Api();
    if (context_) {
      for (auto& [ch, b] : channels_) al.alSourceStop(b.source);
      for (ALuint s : all_sources_) al.alSourcei(s, AL_BUFFER, 0);
      for (auto& [ch, b] : channels_) DropStream(b);
      if (!all_sources_.empty()) al.alDeleteSources(static_cast<ALsizei>(all_sources_.size()), all_sources_.data());
      for (auto& [ptr, buf] : buffers_) al.alDeleteBuffers(1, &buf.second);
      al.alcMakeContextCurrent(nullptr);
      al.alcDestroyContext(context_);
    }
    if (device_) al.alcCloseDevice(device_);
  }

  bool Cue(int channel, SoundRef sound) override {
    // Opening a decoder takes a moment: not while the feeder waits.
    std::unique_ptr<SoundStream> stream;
    if (sound && sound->Streamed()) {
      if (sound->Frames() == 0) return false;
      stream = std::make_unique<SoundStream>(sound);
      if (!stream->Ok()) return false;
    }
    std::lock_guard<std::mutex> lock(mu_);
    auto& al = Api();
    ALuint buffer = 0;
    if (!stream) {
      buffer = BufferFor(sound);
      if (buffer == 0) return false;
    }
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
    al.alSourcei(b.source, AL_BUFFER, 0);  // also empties a stream's queue
    al.alSourceRewind(b.source);
    b.running = false;
    b.sound = std::move(sound);
    if (!stream) {
      DropStream(b);
      al.alSourcei(b.source, AL_BUFFER, static_cast<ALint>(buffer));
      al.alSourcei(b.source, AL_LOOPING, b.sound->loop ? AL_TRUE : AL_FALSE);
      al.alSourceRewind(b.source);
      return true;
    }
    // A stream loops by going back to its start as the buffers are filled.
    al.alSourcei(b.source, AL_LOOPING, AL_FALSE);
    b.stream = std::move(stream);
    b.fed_all = false;
    b.aside = 0;
    if (b.stream_buffers.empty()) {
      al.alGetError();
      b.stream_buffers.resize(kStreamBuffers);
      al.alGenBuffers(kStreamBuffers, b.stream_buffers.data());
      if (al.alGetError() != AL_NO_ERROR) {
        b.stream_buffers.clear();
        Release(it);
        return false;
      }
    }
    for (ALuint buf : b.stream_buffers) {
      if (!Fill(b, buf)) break;
      al.alSourceQueueBuffers(b.source, 1, &buf);
    }
    return true;
  }

  void Resume(int channel) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    // Playing a source that plays already would start it over.
    ALint state = AL_STOPPED;
    Api().alGetSourcei(it->second.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) Api().alSourcePlay(it->second.source);
    it->second.running = true;
  }

  void Stop(int channel) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = channels_.find(channel);
    if (it == channels_.end()) return;
    Release(it);
  }

  bool Playing(int channel) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = channels_.find(channel);
    if (it == channels_.end() || !it->second.running) return false;
    if (Ended(it->second)) {
      Release(it);
      return false;
    }
    return true;
  }

  void SetVolume(int channel, float v) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.volume = v;
      Apply(it->second);
    }
  }
  void SetPan(int channel, float p) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.pan = p;
      Apply(it->second);
    }
  }
  void SetRate(int channel, float r) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (auto it = channels_.find(channel); it != channels_.end()) {
      it->second.rate = r;
      Apply(it->second);
    }
  }

  void ForgetSound(const SoundData* sound) override {
    // A streamed sound has no shared buffer: its channels play on.
    std::lock_guard<std::mutex> lock(mu_);
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
    std::lock_guard<std::mutex> lock(mu_);
    Reclaim();
    return static_cast<int>(channels_.size());
  }

 private:
  struct Binding {
    ALuint source = 0;
    SoundRef sound;
    float volume = 1, pan = 0, rate = 1;
    bool running = false;
    // A streamed sound's decoder, the channel's buffers for it, and whether
    // its end (when it does not loop) has been queued.
    std::unique_ptr<SoundStream> stream;
    std::vector<ALuint> stream_buffers;
    bool fed_all = false;
    // Played buffers taken off the queue and not yet filled again: the first
    // `aside` of `waiting`. Fixed room, so that putting one aside needs no
    // memory.
    std::array<ALuint, kStreamBuffers> waiting{};
    int aside = 0;
  };
  using Iter = std::unordered_map<int, Binding>::iterator;

  // Everything below runs under mu_.

  // Decodes the stream's next block into `buf`; false when nothing is left.
  bool Fill(Binding& b, ALuint buf) {
    if (b.fed_all) return false;
    SoundStream& st = *b.stream;
    const int ch = st.Channels();
    block_.resize(static_cast<size_t>(kStreamBlockFrames) * ch);
    int got = 0;
    while (got < kStreamBlockFrames) {
      got += st.Read(block_.data() + static_cast<size_t>(got) * ch, kStreamBlockFrames - got);
      if (st.Position() < st.Frames()) continue;
      if (!b.sound->loop) {
        b.fed_all = true;
        break;
      }
      st.Seek(0);
    }
    if (got == 0) return false;
    ALenum format = ch == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    Api().alBufferData(buf, format, block_.data(), static_cast<ALsizei>(static_cast<size_t>(got) * ch * sizeof(int16_t)),
                       b.sound->rate);
    return true;
  }

  // Refills the buffers a streaming channel has played, and starts its
  // source again if it ran dry before the feeder came round.
  void Service(Binding& b) {
    if (!b.stream || !b.running) return;
    auto& al = Api();
    ALint processed = 0;
    al.alGetSourcei(b.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0 && b.aside < kStreamBuffers; --processed) {
      ALuint buf = 0;
      al.alSourceUnqueueBuffers(b.source, 1, &buf);
      if (buf != 0) b.waiting[b.aside++] = buf;
    }
    // Decoding may run out of memory, on the feeder's thread, which nothing
    // may leave. The channel's refill then waits for a later round; its
    // buffers wait aside, off the queue, so that none is played twice.
    try {
      while (b.aside > 0 && Fill(b, b.waiting[b.aside - 1])) {
        al.alSourceQueueBuffers(b.source, 1, &b.waiting[b.aside - 1]);
        --b.aside;
      }
    } catch (const std::bad_alloc&) {
      // A read cut short leaves the decoder past where the stream stands:
      // it is put back there, so that the next round goes on from the
      // stream's place. A seek acts only on a new place, hence the way
      // round.
      SoundStream& st = *b.stream;
      const int64_t at = st.Position();
      st.Seek(at > 0 ? 0 : st.Frames());
      st.Seek(at);
    }
    ALint state = AL_STOPPED, queued = 0;
    al.alGetSourcei(b.source, AL_SOURCE_STATE, &state);
    al.alGetSourcei(b.source, AL_BUFFERS_QUEUED, &queued);
    if (state == AL_STOPPED && queued > 0) al.alSourcePlay(b.source);
  }

  void FeedLoop() {
    std::unique_lock<std::mutex> lock(mu_);
    while (!quit_) {
      for (auto& [ch, b] : channels_) Service(b);
      wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return quit_; });
    }
  }

  // Gives the stream and its buffers up; the source must hold none of them.
  void DropStream(Binding& b) {
    if (!b.stream_buffers.empty())
      Api().alDeleteBuffers(static_cast<ALsizei>(b.stream_buffers.size()), b.stream_buffers.data());
    b.stream_buffers.clear();
    b.stream.reset();
    b.fed_all = false;
    b.aside = 0;
  }

  bool Ended(Binding& b) {
    Service(b);
    // A stream that ran dry while memory was short goes on once it is back.
    if (b.stream && b.aside > 0 && !b.fed_all) return false;
    ALint state = AL_STOPPED;
    Api().alGetSourcei(b.source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED || state == AL_INITIAL;
  }

  Iter Release(Iter it) {
    auto& al = Api();
    al.alSourceStop(it->second.source);
    al.alSourcei(it->second.source, AL_BUFFER, 0);
    DropStream(it->second);
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

  std::mutex mu_;  // the game thread and the feeder share everything below
  std::condition_variable wake_;
  bool quit_ = false;
  std::thread feeder_;
  std::vector<int16_t> block_;  // a stream block on its way to a buffer
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
