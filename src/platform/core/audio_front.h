// The audio calls of audio.h over whichever driver a backend supplies: the
// sound table, channel ids and the clamping of settings live here once.
#pragma once

#include <functional>
#include <string>

#include "platform/core/audio_driver.h"

namespace audiofront {

// The backend's current driver, started on demand (never null once set).
void SetDriverSource(std::function<AudioDriverImpl*()> source);

int LoadSound(const std::string& path, int flags);
void FreeSound(int sound);
int AllocChannel();
int CueSound(int sound, int channel);
void ResumeChannel(int channel);
void StopChannel(int channel);
int ChannelPlaying(int channel);
void SetChannelVolume(int channel, float volume);
void SetChannelPan(int channel, float pan);
void SetChannelRate(int channel, float rate);

// Highest channel id handed out so far.
int ChannelsAllocated();
// Channel ids start again at 1 and every sound is forgotten.
void Reset();

// Driver names compare with letter case ignored (ASCII).
bool SameDriverName(const std::string& a, const std::string& b);

}  // namespace audiofront
