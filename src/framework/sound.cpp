#include "framework/sound.h"

#include <string>

#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/audio.h"
#include "platform/runtime.h"
#include "scores/popups.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

namespace {

// Low bound first, written as "not at least" / "not at most", so that a value
// that is not a number ends at the low bound.
float ClampLowFirst(float v, float lo, float hi) {
  if (!(v >= lo)) v = lo;
  if (!(v <= hi)) v = hi;
  return v;
}

// The volume percentages as a factor; computed wide so that hand-edited
// settings cannot overflow.
float VolumeFactor(int32_t setting) {
  return static_cast<float>(static_cast<int64_t>(Options[setting]) * Options[11]) / 100.0f / 100.0f;
}

// Takes the next effect slot and cues `sound` on its channel; returns the
// channel, 0 when none could be had.
int32_t CueOnNextSlot(int32_t sound) {
  ++LChan;
  if (LChan >= 256 || LChan < kFirstEffectSlot) LChan = kFirstEffectSlot;
  int32_t& slot = Channel[LChan];
  if (slot != 0 && ChannelPlaying(slot)) {
    StopChannel(slot);
    slot = 0;
  }
  if (slot == 0) slot = AllocChannel();
  if (slot == 0) return 0;
  CueSound(sound, slot);
  return slot;
}

}  // namespace

void PlaySFX(int32_t n, float rate, float vol, float pan) {
  if (Options[12] <= 0) return;
  if (n < 0 || n >= static_cast<int32_t>(sfx.size()) || sfx[n] == 0) return;
  vol = ClampLowFirst(vol, 0.0f, 1.0f);
  rate = ClampLowFirst(rate, 0.25f, 4.0f);
  pan = ClampLowFirst(pan, -1.0f, 1.0f);
  const int32_t ch = CueOnNextSlot(sfx[n]);
  if (ch == 0) return;
  SetChannelVolume(ch, VolumeFactor(12) * vol);
  ChannelVol[LChan] = vol;
  SetChannelPan(ch, pan);
  SetChannelRate(ch, rate);
  ResumeChannel(ch);
}

void PlayMusic(int32_t sound) {
  if (Options[13] <= 0) return;
  // A missing music file must not take a channel every time it is asked for.
  if (sound == 0) return;
  if (MusicChannel != 0) {
    StopChannel(MusicChannel);
    MusicChannel = 0;
  }
  MusicChannel = AllocChannel();
  if (MusicChannel == 0) return;
  CueSound(sound, MusicChannel);
  SetChannelVolume(MusicChannel, VolumeFactor(13));
  ResumeChannel(MusicChannel);
  DebugLog(std::to_string(MusicChannel));
}

void GiveBadge(int32_t b) {
  if (b < 1 || b >= static_cast<int32_t>(BadgeT.size())) return;
  Mybadges = SetFlag(Mybadges, b, 1);
  AddComment(BadgeT[b] + " : ", 1);
  if (BadgeGet == 0) return;
  const int32_t ch = CueOnNextSlot(BadgeGet);
  if (ch == 0) return;
  SetChannelVolume(ch, VolumeFactor(12));
  SetChannelPan(ch, 0.0f);
  SetChannelRate(ch, 1.0f);
  ResumeChannel(ch);
}
