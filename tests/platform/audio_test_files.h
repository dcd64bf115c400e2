// Small sound files for the audio tests, made in memory.
#pragma once

#include <dlfcn.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <unistd.h>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/ogg_reader.h"

namespace audiotest {

inline void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

// A RIFF/WAVE file. `data` holds the raw sample bytes; `extra` chunks go
// between "fmt " and "data".
inline std::string Wav(int channels, int bits, int rate, const std::string& data, int format = 1,
                       const std::string& extra = "") {
  std::string fmt;
  Put16(fmt, static_cast<uint16_t>(format));
  Put16(fmt, static_cast<uint16_t>(channels));
  Put32(fmt, static_cast<uint32_t>(rate));
  Put32(fmt, static_cast<uint32_t>(rate * channels * bits / 8));
  Put16(fmt, static_cast<uint16_t>(channels * bits / 8));
  Put16(fmt, static_cast<uint16_t>(bits));
  std::string body = "WAVE";
  body += "fmt ";
  Put32(body, static_cast<uint32_t>(fmt.size()));
  body += fmt;
  body += extra;
  body += "data";
  Put32(body, static_cast<uint32_t>(data.size()));
  body += data;
  if (data.size() & 1) body.push_back('\0');
  std::string out = "RIFF";
  Put32(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

inline std::string Samples16(const std::vector<int16_t>& v) {
  std::string s;
  for (int16_t x : v) Put16(s, static_cast<uint16_t>(x));
  return s;
}

// A mono 16-bit WAV of `frames` frames all at `value`.
inline std::string ConstantWav(int frames, int16_t value, int rate = 44100) {
  return Wav(1, 16, rate, Samples16(std::vector<int16_t>(static_cast<size_t>(frames), value)));
}

inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/duskmoor_" + std::to_string(::getpid()) + "_" + name;
}

inline std::string WriteTemp(const std::string& name, const std::string& bytes) {
  std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// Encodes float frames (interleaved) as Ogg Vorbis. The encoder's set-up call
// lives in libvorbisenc, which the game does not link: it is looked up here.
inline std::string EncodeOgg(const std::vector<float>& pcm, int channels, int rate) {
  using InitVbr = decltype(&vorbis_encode_init_vbr);
  void* lib = dlopen("libvorbisenc.so.2", RTLD_NOW);
  if (!lib) return "";
  auto init_vbr = reinterpret_cast<InitVbr>(dlsym(lib, "vorbis_encode_init_vbr"));
  if (!init_vbr) return "";

  vorbis_info vi;
  vorbis_info_init(&vi);
  if (init_vbr(&vi, channels, rate, 0.4f) != 0) return "";
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1);
  std::string out;
  auto put_page = [&](const ogg_page& og) {
    out.append(reinterpret_cast<const char*>(og.header), og.header_len);
    out.append(reinterpret_cast<const char*>(og.body), og.body_len);
  };
  ogg_packet h1, h2, h3;
  vorbis_analysis_headerout(&vd, &vc, &h1, &h2, &h3);
  ogg_stream_packetin(&os, &h1);
  ogg_stream_packetin(&os, &h2);
  ogg_stream_packetin(&os, &h3);
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) put_page(og);

  const long frames = static_cast<long>(pcm.size()) / channels;
  long done = 0;
  bool eos = false;
  while (!eos) {
    long n = std::min(1024L, frames - done);
    if (n > 0) {
      float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (long i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buf[c][i] = pcm[(done + i) * channels + c];
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og)) {
          put_page(og);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
    if (n <= 0 && !eos) {
      while (ogg_stream_flush(&os, &og)) put_page(og);
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

inline std::vector<float> Sine(int frames, int channels, int rate, double hz, float amp) {
  std::vector<float> v(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      v[static_cast<size_t>(i) * channels + c] =
          amp * static_cast<float>(std::sin(2 * M_PI * hz * (c + 1) * i / rate));
  return v;
}

// Mono clicks, one every 512 frames, for `click_frames` frames, then a tone
// of 440 Hz at half scale to `frames`. The encoder codes clicks in short
// blocks and a steady tone in long ones, so a stream of this first needs
// room for a longer decoded block when it reaches the tone.
inline std::vector<float> ClicksThenTone(int frames, int click_frames, int rate) {
  std::vector<float> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i)
    v[static_cast<size_t>(i)] = i < click_frames ? (i % 512 == 0 ? 0.9f : 0.0f)
                                                 : 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / rate));
  return v;
}

// The most frames one decoded block of `ogg` gives, among the blocks that
// start before frame `to` and those that start at or after it.
struct DecodedBlocks {
  long before = 0, after = 0;
};
inline DecodedBlocks LongestDecodedBlocks(const std::string& ogg, long to) {
  DecodedBlocks out;
  oggreader::MemReader reader{reinterpret_cast<const uint8_t*>(ogg.data()), ogg.size(), 0};
  OggVorbis_File vf;
  if (ov_open_callbacks(&reader, &vf, nullptr, 0, oggreader::MemCallbacks()) != 0) return out;
  const int ch = ov_info(&vf, -1)->channels;
  std::vector<char> raw(65536);
  long pos = 0;
  for (;;) {
    int section = 0;
    const long got = ov_read(&vf, raw.data(), static_cast<int>(raw.size()), 0, 2, 1, &section);
    if (got == OV_HOLE) continue;
    if (got <= 0) break;
    const long frames = got / (2 * ch);
    long& longest = pos < to ? out.before : out.after;
    longest = std::max(longest, frames);
    pos += frames;
  }
  ov_clear(&vf);
  return out;
}

}  // namespace audiotest
