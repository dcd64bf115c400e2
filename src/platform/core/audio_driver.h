// What every audio driver does with channels. Channel ids come from the audio
// front (audio_front.h), which also clamps the settings, so a driver sees
// volumes in 0..1, pans in -1..1 and rates above 0 only.
#pragma once

#include "platform/core/sound_decode.h"

class AudioDriverImpl {
 public:
  virtual ~AudioDriverImpl() = default;
  // Sets the sound up on the channel, paused, from its start, keeping the
  // channel's settings while it still holds a voice. False when no voice is free.
  virtual bool Cue(int channel, SoundRef sound) = 0;
  virtual void Resume(int channel) = 0;
  // Ends the channel's sound and gives its voice back.
  virtual void Stop(int channel) = 0;
  virtual bool Playing(int channel) = 0;
  virtual void SetVolume(int channel, float volume) = 0;
  virtual void SetPan(int channel, float pan) = 0;
  virtual void SetRate(int channel, float rate) = 0;
  // The sound's handle is being released: drop anything cached for it.
  virtual void ForgetSound(const SoundData* sound) { (void)sound; }
  // Channels that hold a voice (cued or playing).
  virtual int LiveVoices() = 0;
};

// The driver that plays nothing: every channel reads as not playing.
class NullAudioDriver : public AudioDriverImpl {
 public:
  bool Cue(int, SoundRef) override { return true; }
  void Resume(int) override {}
  void Stop(int) override {}
  bool Playing(int) override { return false; }
  void SetVolume(int, float) override {}
  void SetPan(int, float) override {}
  void SetRate(int, float) override {}
  int LiveVoices() override { return 0; }
};
