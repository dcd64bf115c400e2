// One channel's way through a streamed sound: its own Ogg Vorbis decoder over
// the sound's compressed bytes, decoding a block at a time as playback needs
// it. Any number of channels may stream the same sound, each at its own place.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/sound_decode.h"

class SoundStream {
 public:
  // Decoded frames kept for the mixer's reads, and the block `Read` decodes at most at once.
  static constexpr int kWindowFrames = 4096;

  explicit SoundStream(SoundRef sound);
  ~SoundStream();
  SoundStream(const SoundStream&) = delete;
  SoundStream& operator=(const SoundStream&) = delete;

  // False when the decoder could not be opened; such a stream plays nothing.
  bool Ok() const { return open_; }
  const SoundData& Sound() const { return *sound_; }
  int Channels() const { return sound_->channels; }
  int64_t Frames() const { return sound_->Frames(); }

  // The frame the next `Read` starts at.
  int64_t Position() const { return pos_; }
  // Moves to `frame` (clamped to 0..Frames()).
  void Seek(int64_t frame);
  // Decodes up to `frames` frames from the position into `out` (the sound's
  // channels, interleaved) and moves on. Returns the frames written, fewer
  // only at the sound's end. Where the file's audio gives out before the
  // length its headers promise (a damaged file), the rest reads as silence.
  int Read(int16_t* out, int frames);

  // The samples of frame `i` (0 <= i < Frames()), for a reader that moves
  // forward in small steps: kept in a window of decoded frames, so stepping
  // on decodes a block now and then and going back seeks. The pointer holds
  // until the next call. Frames outside the sound read as silence.
  const int16_t* FrameAt(int64_t i);

 private:
  // Decodes the next block into `pending_`; false at the end of the audio.
  bool Decode();

  SoundRef sound_;
  struct Decoder;
  std::unique_ptr<Decoder> dec_;
  bool open_ = false;
  bool dry_ = false;  // the decoder has nothing more to give
  int64_t pos_ = 0;
  // Decoded frames not yet read, in the sound's layout.
  std::vector<int16_t> pending_;
  size_t pending_at_ = 0;  // samples of `pending_` already read
  // The mixer's window: frames win_start_ .. win_start_ + win_frames_ - 1.
  std::vector<int16_t> window_;
  int64_t win_start_ = 0;
  int win_frames_ = 0;
  // Frame 0, which a looping sound's last frame blends towards.
  int16_t first_[2] = {0, 0};
  int16_t silence_[2] = {0, 0};
};
