// Sounds and channels over the current audio driver. Sounds and channels are
// integer handles; 0 is "none" and every call accepts it harmlessly.
//
// Channel handles are cheap ids that are never reused. A channel holds real
// output resources only while it plays; once its sound has ended or it was
// stopped it reads as not playing, and it can be cued again.
#pragma once

#include <string>
#include <vector>

// LoadSound flags.
constexpr int SOUND_LOOP = 1;

// Loads a PCM WAV (8 or 16 bit, mono or stereo), decoded whole, or an Ogg
// Vorbis file, kept compressed and decoded as it plays (music runs for
// minutes). Returns 0 when the file is missing or cannot be read. A file whose
// data ends early loads and plays what it holds; LastLoadProblem (graphics.h)
// tells, as it does for pictures and fonts.
int LoadSound(const std::string& path, int flags = 0);
// Releases a sound; channels that still play it finish first.
void FreeSound(int sound);

// A new channel (its volume 1, pan 0, rate 1).
int AllocChannel();
// Sets `sound` up on `channel`, paused, from its start. With channel 0 a new
// channel is allocated. Returns the channel, or 0 when sound is 0 (nothing is
// cued, and a channel given is stopped).
int CueSound(int sound, int channel = 0);
// Cues and resumes at once.
int PlaySound(int sound, int channel = 0);
// Starts (or continues) the cued sound.
void ResumeChannel(int channel);
void StopChannel(int channel);
// 1 while the channel has been resumed and its sound has not ended, else 0.
int ChannelPlaying(int channel);
// 0..1; values outside are clamped, a value that is not a number gives 0.
void SetChannelVolume(int channel, float volume);
// -1 full left .. 1 full right; clamped.
void SetChannelPan(int channel, float pan);
// 1 plays as recorded; 2 an octave higher in half the time. A rate of 0 or
// below (or not a number) plays nothing: the channel ends at once.
void SetChannelRate(int channel, float rate);

// Names of the drivers, newest first: "OpenAL" (only when the system's OpenAL
// library can be loaded), "FreeAudio", "FreeAudio CoreAudio", "Null".
std::vector<std::string> AudioDrivers();
// True when a driver of that name (letter case ignored) is known.
bool AudioDriverExists(const std::string& name);
// Makes that driver the one all later loading and playing use. False when no
// such driver exists or it cannot start. Without a call, the first sound
// operation picks "FreeAudio", or "Null" when that cannot start.
bool SetAudioDriver(const std::string& name);
// The first call adds "OpenAL Default" and "OpenAL " + each device name and
// answers whether OpenAL is present; later calls repeat the first answer.
bool EnableOpenALAudio();
// The driver in use, "" before the first sound operation.
std::string CurrentAudioDriver();
