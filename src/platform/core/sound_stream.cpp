#include "platform/core/sound_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/core/ogg_reader.h"

struct SoundStream::Decoder {
  oggreader::MemReader reader;
  OggVorbis_File vf;
  std::vector<char> raw;
};

SoundStream::SoundStream(SoundRef sound) : sound_(std::move(sound)) {
  if (!sound_ || !sound_->Streamed()) return;
  dec_ = std::make_unique<Decoder>();
  dec_->reader = oggreader::MemReader{sound_->encoded.data(), sound_->encoded.size(), 0};
  if (ov_open_callbacks(&dec_->reader, &dec_->vf, nullptr, 0, oggreader::MemCallbacks()) != 0) {
    dec_.reset();
    return;
  }
  open_ = true;
  vorbis_info* info = ov_info(&dec_->vf, -1);
  dec_->raw.resize(static_cast<size_t>(kWindowFrames) * 2 * std::max(info ? info->channels : 2, 2));
  window_.resize(static_cast<size_t>(kWindowFrames + 1) * Channels());
  // The first block is needed as soon as the channel plays; it also gives
  // frame 0 for a loop's seam.
  if (Frames() > 0 && Decode())
    for (int c = 0; c < Channels(); ++c) first_[c] = pending_[c];
}

SoundStream::~SoundStream() {
  if (open_) ov_clear(&dec_->vf);
}

bool SoundStream::Decode() {
  if (!open_ || dry_) return false;
  pending_.clear();
  pending_at_ = 0;
  for (;;) {
    int section = 0;
    long got = ov_read(&dec_->vf, dec_->raw.data(), static_cast<int>(dec_->raw.size()), 0, 2, 1, &section);
    if (got == OV_HOLE) continue;
    if (got <= 0) {
      dry_ = true;
      return false;
    }
    // A chained stream may change its layout; take what it says per section.
    vorbis_info* cur = ov_info(&dec_->vf, section);
    int ch = cur ? cur->channels : 0;
    if (ch < 1) {
      dry_ = true;
      return false;
    }
    const size_t frames = static_cast<size_t>(got) / (2 * ch);
    if (frames == 0) continue;
    oggreader::AppendFolded(reinterpret_cast<const int16_t*>(dec_->raw.data()), frames, ch, Channels(), pending_);
    return true;
  }
}

void SoundStream::Seek(int64_t frame) {
  frame = std::clamp<int64_t>(frame, 0, Frames());
  if (frame == pos_) return;
  pos_ = frame;
  pending_.clear();
  pending_at_ = 0;
  if (!open_) return;
  // A place the damaged file cannot reach reads as silence.
  dry_ = ov_pcm_seek(&dec_->vf, frame) != 0;
}

int SoundStream::Read(int16_t* out, int frames) {
  const int ch = Channels();
  const int want = static_cast<int>(std::min<int64_t>(std::max(frames, 0), Frames() - pos_));
  int done = 0;
  while (done < want) {
    if (pending_at_ >= pending_.size() && !Decode()) {
      std::fill(out + static_cast<size_t>(done) * ch, out + static_cast<size_t>(want) * ch, int16_t{0});
      done = want;
      break;
    }
    const size_t avail = (pending_.size() - pending_at_) / ch;
    const size_t n = std::min<size_t>(avail, static_cast<size_t>(want - done));
    std::memcpy(out + static_cast<size_t>(done) * ch, pending_.data() + pending_at_, n * ch * sizeof(int16_t));
    pending_at_ += n * ch;
    done += static_cast<int>(n);
  }
  pos_ += done;
  return done;
}

const int16_t* SoundStream::FrameAt(int64_t i) {
  if (i < 0 || i >= Frames()) return silence_;
  if (i >= win_start_ && i < win_start_ + win_frames_) return &window_[static_cast<size_t>(i - win_start_) * Channels()];
  if (i == 0) return first_;
  const int ch = Channels();
  const int64_t end = win_start_ + win_frames_;
  int keep = 0;
  if (win_frames_ > 0 && i >= end && i < end + kWindowFrames && pos_ == end) {
    // Stepping on: the last frame stays, so a reader blending it with the
    // next one finds both.
    std::memmove(window_.data(), &window_[static_cast<size_t>(win_frames_ - 1) * ch], ch * sizeof(int16_t));
    keep = 1;
    win_start_ = end - 1;
  } else {
    Seek(i);
    win_start_ = i;
  }
  win_frames_ = keep + Read(&window_[static_cast<size_t>(keep) * ch], kWindowFrames);
  if (i >= win_start_ + win_frames_) return silence_;  // cannot happen: i < Frames()
  return &window_[static_cast<size_t>(i - win_start_) * ch];
}
