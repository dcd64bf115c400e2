// What the whole-file decoder and the streams share about Ogg Vorbis: reading
// through vorbisfile from a block of memory, and folding a decoded block into
// the sound's channel layout.
#pragma once

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace oggreader {

struct MemReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

inline size_t MemRead(void* ptr, size_t size, size_t nmemb, void* source) {
  auto* r = static_cast<MemReader*>(source);
  if (size == 0) return 0;
  size_t want = size * nmemb;
  size_t left = r->size - r->pos;
  size_t n = std::min(want, left) / size;
  if (n > 0) std::memcpy(ptr, r->data + r->pos, n * size);
  r->pos += n * size;
  return n;
}

inline int MemSeek(void* source, ogg_int64_t offset, int whence) {
  auto* r = static_cast<MemReader*>(source);
  int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(r->pos)
                                                             : static_cast<int64_t>(r->size);
  int64_t to = base + offset;
  if (to < 0 || to > static_cast<int64_t>(r->size)) return -1;
  r->pos = static_cast<size_t>(to);
  return 0;
}

inline long MemTell(void* source) { return static_cast<long>(static_cast<MemReader*>(source)->pos); }

inline ov_callbacks MemCallbacks() { return ov_callbacks{MemRead, MemSeek, nullptr, MemTell}; }

// The channels a sound of `src_channels` keeps: mono stays mono, anything
// else plays as stereo (more channels are folded to their first two).
inline int KeptChannels(int src_channels) { return src_channels == 1 ? 1 : 2; }

// Appends `frames` frames of `ch` interleaved channels as `out_channels`.
inline void AppendFolded(const int16_t* pcm, size_t frames, int ch, int out_channels, std::vector<int16_t>& out) {
  for (size_t f = 0; f < frames; ++f) {
    const int16_t* fr = pcm + f * ch;
    if (out_channels == 1) {
      out.push_back(fr[0]);
    } else if (ch == 1) {
      out.push_back(fr[0]);
      out.push_back(fr[0]);
    } else {
      out.push_back(fr[0]);
      out.push_back(fr[1]);
    }
  }
}

}  // namespace oggreader
