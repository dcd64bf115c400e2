// The pattern player: one row of the song per tempo interval, each track's note
// on a fresh channel, melodic notes transposed to the chord of the moment.
#include "music/player_step.h"

#include "music/song_math.h"
#include "platform/audio.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

enum Track : int32_t { kDrumsA = 0, kDrumsB = 1, kBass = 2, kLead = 3, kAccompany = 4 };

// 1 on the first half of a section's last chord, 2 on its second half, else 0.
int32_t LeadInStage(int64_t r, int64_t p, int64_t chordLength) {
  const int64_t half = (p - 1) * 8 + r / 8;
  const int64_t chord = (p - 1) * 4 + r / 16;
  if (half >= 2 * chordLength - 1) return 2;
  if (chord >= chordLength - 1) return 1;
  return 0;
}

// A muted track that plays in the next section may come in early, as its
// entry plan says; a track that plays now plays to the section's end.
bool TrackSilent(size_t t, int32_t stage) {
  if (QRDM_Mute[t] == 0) return false;
  const bool entersEarly = QRDM_Mute[t] == 1 && QRDM_MuteAhead[t] == 0 &&
                           ((stage == 1 && QRDM_MuteAheadGo[t] == 1) || (stage == 2 && QRDM_MuteAheadGo[t] > 0));
  return !entersEarly;
}

int32_t Sample(int32_t slot) { return slot >= 0 && slot < 50 ? QRDM_inst[static_cast<size_t>(slot)] : 0; }

// Master and music volume as percentages; wide so that odd settings cannot
// overflow (the channel clamps the result).
float NoteVolume(float divisor) {
  const int64_t product = static_cast<int64_t>(Options[13]) * static_cast<int64_t>(Options[11]);
  const float percent = static_cast<float>(product) / 100.0f;
  return percent / divisor;
}

void StartNote(int32_t t, int32_t sample, float rate) {
  int32_t& channel = Channel[static_cast<size_t>(t)];
  // One note a track: a new note cuts the one still sounding.
  if (channel != 0 && ChannelPlaying(channel)) {
    StopChannel(channel);
    channel = 0;
  }
  channel = AllocChannel();
  if (channel == 0) return;
  CueSound(sample, channel);
  // Everything is set while the channel is paused, so the note starts with it.
  if (t == kDrumsA || t == kAccompany) SetChannelPan(channel, QRDM_StereoSeperation);
  if (t == kDrumsB || t == kBass) SetChannelPan(channel, -QRDM_StereoSeperation);
  if (t >= kBass) SetChannelRate(channel, rate);
  SetChannelVolume(channel, NoteVolume(t == kAccompany ? 200.0f : 100.0f));
  ResumeChannel(channel);
}

}  // namespace

int32_t QRDM_Play() {
  if (QRDM_Playing == 0) return 0;
  // Due once the clock is strictly past the beat; the difference wraps with
  // the clock, so a song goes on across the counter's wrap.
  const int32_t now = MilliSecs();
  if (static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(QRDM_BeatAt)) <= 0) return 0;
  // The beat advances on its own grid, one row per call: after a stall the
  // missed rows follow one per frame.
  QRDM_BeatAt = QrdmWrapAdd(QRDM_BeatAt, QRDM_Tempo);

  QRDM_RowAt = QrdmWrapAdd(QRDM_RowAt, 1);
  if (QRDM_RowAt < 0 || QRDM_RowAt >= kQrdmRows) {
    QRDM_RowAt = 0;
    QRDM_NextPattern();
  }

  const int32_t r = QRDM_RowAt;
  const int64_t chordAt = (static_cast<int64_t>(QRDM_PatternAt) - 1) * 4 + r / 16;
  const int32_t stage = LeadInStage(r, QRDM_PatternAt, static_cast<int64_t>(QRDM_Chord.size()));
  const std::string chordLetter =
      chordAt >= 0 && chordAt < static_cast<int64_t>(QRDM_Chord.size()) ? QRDM_Chord.substr(static_cast<size_t>(chordAt), 1) : "";
  const float chord = QRDM_NoteVal(chordLetter);

  for (int32_t t = 0; t < kQrdmTracks; ++t) {
    const float v = QRDM_Pattern[static_cast<size_t>(t * kQrdmTrackStride + r)];
    if (TrackSilent(static_cast<size_t>(t), stage)) continue;
    int32_t sample = 0;
    float rate = 1.0f;
    if (t <= kDrumsB) {
      const int32_t drum = v >= 1.0f && v < 9.0f ? static_cast<int32_t>(v) : 0;
      if (drum == 0) continue;
      sample = Sample(t * 10 + drum);
    } else {
      if (v == 0.0f) continue;
      sample = Sample(t * 10 + QRDM_PatternUse[static_cast<size_t>(t - 1)]);
      rate = v * chord;
      // A note transposed to nothing is a rest: no channel plays at rate 0.
      if (!(rate > 0.0f)) continue;
    }
    // A note without a sample is silence and leaves the track's last note be.
    if (sample == 0) continue;
    StartNote(t, sample, rate);
  }
  return 0;
}

int32_t QRDM_Stop() {
  QRDM_Playing = 0;
  for (size_t slot = 0; slot < 20; ++slot) {
    if (Channel[slot] != 0 && ChannelPlaying(Channel[slot])) StopChannel(Channel[slot]);
    Channel[slot] = 0;
  }
  return 0;
}
