// Audio double of the test backend. Sounds load for real (WAV whole, Ogg
// Vorbis streamed, as on the real backend) and play on the built-in mixer,
// which follows the virtual clock: a channel ends once its sound's length has
// passed on the clock. Every call of audio.h is recorded with its arguments.
// testbackend::Reset() clears all of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Mixer;

namespace testbackend {

// One call of audio.h. `op` is the function's name; `a` the first integer
// argument (sound or channel), `b` the second (channel or flags), `f` the float
// argument, `text` the path or driver name, `result` what the call returned.
struct AudioCall {
  std::string op;
  int a = 0;
  int b = 0;
  float f = 0;
  std::string text;
  int result = 0;
};

const std::vector<AudioCall>& AudioCalls();
void ClearAudioCalls();
int CountAudioCalls(const std::string& op);

// The mixer behind the channels. It renders only when asked.
Mixer& AudioMixer();
// Renders `frames` stereo frames (interleaved 16-bit) of everything playing.
std::vector<int16_t> RenderAudio(int frames);
// Whether the mixer advances with the virtual clock (default true). Tests
// that render by hand switch it off.
void SetAudioFollowsClock(bool follow);

// Channels holding a voice, and sounds loaded and not freed.
int LiveChannels();
// Voices the double's mixer can hold at once (as many as OpenAL's sources);
// a cue beyond them plays nothing.
int AudioPoolSize();
int LiveSounds();
// Highest channel handle handed out.
int ChannelsAllocated();

// The driver list AudioDrivers reports (default "FreeAudio",
// "FreeAudio CoreAudio", "Null": a system without OpenAL) and what
// EnableOpenALAudio answers and adds.
void SetAudioDriverList(std::vector<std::string> names, bool openal_present = false,
                        std::vector<std::string> openal_devices = {});

}  // namespace testbackend
