#include "platform/core/sound_decode.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/core/load_problem.h"
#include "platform/core/ogg_reader.h"
#include "platform/files.h"

namespace {

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Whether a RIFF/WAVE file ends before its samples do: its data chunk runs
// past the last byte, or, with no data chunk whole in it, the file is shorter
// than its RIFF header says.
bool WavCutShort(const uint8_t* data, size_t size) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return false;
  size_t pos = 12;
  while (pos + 8 <= size) {
    const size_t len = Le32(data + pos + 4);
    const size_t body = pos + 8;
    if (std::memcmp(data + pos, "data", 4) == 0) return len > size - body;
    const size_t next = body + len + (len & 1);
    if (next <= pos) break;
    pos = next;
  }
  return static_cast<size_t>(Le32(data + 4)) + 8 > size;
}

// Whether an Ogg file ends before its stream does: a page runs past the last
// byte, or the last page is not marked as the stream's end. A file that turns
// to noise is damaged otherwise, not cut short.
bool OggCutShort(const uint8_t* data, size_t size) {
  if (size < 4 || std::memcmp(data, "OggS", 4) != 0) return false;
  size_t pos = 0;
  bool last = false;
  while (pos < size) {
    const size_t left = size - pos;
    if (left < 27) return std::memcmp(data + pos, "OggS", std::min<size_t>(left, 4)) == 0;
    const uint8_t* page = data + pos;
    if (std::memcmp(page, "OggS", 4) != 0 || page[4] != 0) return false;
    const size_t segments = page[26];
    if (left < 27 + segments) return true;
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += page[27 + i];
    if (left < 27 + segments + body) return true;
    last = (page[5] & 0x04) != 0;
    pos += 27 + segments + body;
  }
  return !last;
}

}  // namespace

std::shared_ptr<SoundData> DecodeWav(const uint8_t* data, size_t size) {
  if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
    return nullptr;
  int format = 0, channels = 0, bits = 0;
  uint32_t rate = 0;
  bool have_fmt = false;
  size_t pos = 12;
  while (pos + 8 <= size) {
    const uint8_t* ck = data + pos;
    size_t len = Le32(ck + 4);
    size_t body = pos + 8;
    size_t avail = std::min(len, size - body);
    if (std::memcmp(ck, "fmt ", 4) == 0 && avail >= 16) {
      format = Le16(ck + 8);
      channels = Le16(ck + 10);
      rate = Le32(ck + 12);
      bits = Le16(ck + 22);
      // Extensible header: the sub-format's first two bytes give the real tag.
      if (format == 0xFFFE && avail >= 26) format = Le16(ck + 8 + 24);
      have_fmt = true;
    } else if (std::memcmp(ck, "data", 4) == 0) {
      if (!have_fmt || format != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
          rate == 0 || rate > 1000000)
        return nullptr;
      auto s = std::make_shared<SoundData>();
      s->rate = static_cast<int>(rate);
      s->channels = channels;
      const uint8_t* p = data + body;
      if (bits == 8) {
        size_t frames = avail / channels;
        s->samples.resize(frames * channels);
        for (size_t i = 0; i < s->samples.size(); ++i)
          s->samples[i] = static_cast<int16_t>((static_cast<int>(p[i]) - 128) * 256);
      } else {
        size_t frames = avail / (2 * channels);
        s->samples.resize(frames * channels);
        for (size_t i = 0; i < s->samples.size(); ++i)
          s->samples[i] = static_cast<int16_t>(Le16(p + 2 * i));
      }
      return s;
    }
    // Chunks are padded to an even length.
    size_t next = body + len + (len & 1);
    if (next <= pos) break;
    pos = next;
  }
  return nullptr;
}

std::shared_ptr<SoundData> DecodeOggVorbis(const uint8_t* data, size_t size) {
  if (!data || size < 4 || std::memcmp(data, "OggS", 4) != 0) return nullptr;
  oggreader::MemReader reader{data, size, 0};
  OggVorbis_File vf;
  if (ov_open_callbacks(&reader, &vf, nullptr, 0, oggreader::MemCallbacks()) != 0) return nullptr;
  vorbis_info* info = ov_info(&vf, -1);
  if (!info || info->channels < 1) {
    ov_clear(&vf);
    return nullptr;
  }
  auto s = std::make_shared<SoundData>();
  s->rate = static_cast<int>(info->rate);
  int src_channels = info->channels;
  s->channels = oggreader::KeptChannels(src_channels);
  ogg_int64_t total = ov_pcm_total(&vf, -1);
  if (total > 0) s->samples.reserve(static_cast<size_t>(total) * s->channels);
  std::vector<char> buf(4096 * 2 * std::max(src_channels, 2));
  int section = 0;
  for (;;) {
    long got = ov_read(&vf, buf.data(), static_cast<int>(buf.size()), 0, 2, 1, &section);
    if (got == OV_HOLE) continue;
    if (got <= 0) break;
    // A chained stream may change its layout; take what it says per section.
    vorbis_info* cur = ov_info(&vf, section);
    int ch = cur ? cur->channels : src_channels;
    if (ch < 1) break;
    oggreader::AppendFolded(reinterpret_cast<const int16_t*>(buf.data()), static_cast<size_t>(got) / (2 * ch), ch,
                            s->channels, s->samples);
  }
  ov_clear(&vf);
  return s;
}

std::shared_ptr<SoundData> StreamOggVorbis(std::vector<uint8_t> bytes) {
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "OggS", 4) != 0) return nullptr;
  oggreader::MemReader reader{bytes.data(), bytes.size(), 0};
  OggVorbis_File vf;
  if (ov_open_callbacks(&reader, &vf, nullptr, 0, oggreader::MemCallbacks()) != 0) return nullptr;
  vorbis_info* info = ov_info(&vf, -1);
  const ogg_int64_t total = ov_pcm_total(&vf, -1);
  std::shared_ptr<SoundData> s;
  if (info && info->channels >= 1 && total >= 0) {
    s = std::make_shared<SoundData>();
    s->rate = static_cast<int>(info->rate);
    s->channels = oggreader::KeptChannels(info->channels);
    s->stream_frames = total;
  }
  ov_clear(&vf);
  if (s) s->encoded = std::move(bytes);
  return s;
}

std::shared_ptr<SoundData> DecodeSound(const uint8_t* data, size_t size) {
  if (auto s = DecodeWav(data, size)) return s;
  return DecodeOggVorbis(data, size);
}

std::shared_ptr<SoundData> LoadSoundFile(const std::string& path) {
  loadproblem::last.clear();
  // Only a regular file is read: a pipe in its place would hold the loading
  // for good.
  std::string file;
  if (!ReadWholeFile(path, file)) return nullptr;
  // A streamed sound keeps these bytes for as long as it lives.
  std::vector<uint8_t> bytes(file.begin(), file.end());
  std::string().swap(file);
  // A file cut short plays what it holds (and a stream ends where its audio
  // does), but the load says so.
  if (WavCutShort(bytes.data(), bytes.size()) || OggCutShort(bytes.data(), bytes.size()))
    loadproblem::last = loadproblem::kEndsEarly;
  if (auto s = DecodeWav(bytes.data(), bytes.size())) return s;
  return StreamOggVorbis(std::move(bytes));
}

namespace soundtable {
namespace {
struct Table {
  std::mutex mu;
  int next = 1;
  std::unordered_map<int, SoundRef> sounds;
};
Table& T() {
  static Table t;
  return t;
}
}  // namespace

int Add(SoundRef sound) {
  if (!sound) return 0;
  std::lock_guard<std::mutex> lock(T().mu);
  int h = T().next++;
  T().sounds[h] = std::move(sound);
  return h;
}

SoundRef Get(int handle) {
  std::lock_guard<std::mutex> lock(T().mu);
  auto it = T().sounds.find(handle);
  return it == T().sounds.end() ? nullptr : it->second;
}

void Remove(int handle) {
  std::lock_guard<std::mutex> lock(T().mu);
  T().sounds.erase(handle);
}

int Count() {
  std::lock_guard<std::mutex> lock(T().mu);
  return static_cast<int>(T().sounds.size());
}

void Clear() {
  std::lock_guard<std::mutex> lock(T().mu);
  T().sounds.clear();
  T().next = 1;
}
}  // namespace soundtable
