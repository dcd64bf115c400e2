// Decoded sounds and the sound handle table shared by every audio driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// 16-bit signed samples, interleaved when stereo. A sound is either held
// whole in `samples` or streamed: then only its compressed file is kept, in
// `encoded`, and every channel that plays it decodes its own way through a
// little at a time (sound_stream.h). Music runs for minutes; held whole it
// would cost tens of megabytes.
struct SoundData {
  int rate = 44100;
  int channels = 1;  // 1 or 2
  bool loop = false;
  std::vector<int16_t> samples;
  std::vector<uint8_t> encoded;  // Ogg Vorbis file of a streamed sound
  int64_t stream_frames = 0;     // a streamed sound's length
  bool Streamed() const { return !encoded.empty(); }
  int64_t Frames() const {
    if (Streamed()) return stream_frames;
    return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0;
  }
};
using SoundRef = std::shared_ptr<const SoundData>;

// PCM WAV: format 1 (or an extensible header over PCM), 8 bit unsigned or
// 16 bit signed, mono or stereo. Null when the bytes are no such file.
std::shared_ptr<SoundData> DecodeWav(const uint8_t* data, size_t size);
// Ogg Vorbis through vorbisfile's callback interface, mono or stereo (more
// channels are folded to stereo). Null when the bytes are no such file.
std::shared_ptr<SoundData> DecodeOggVorbis(const uint8_t* data, size_t size);
// WAV first, then Ogg Vorbis.
std::shared_ptr<SoundData> DecodeSound(const uint8_t* data, size_t size);
// An Ogg Vorbis file as a streamed sound: its headers are read and its length
// taken, nothing is decoded. Null when the bytes are no such file.
std::shared_ptr<SoundData> StreamOggVorbis(std::vector<uint8_t> bytes);
// Reads a file: a WAV is decoded whole, an Ogg Vorbis file is streamed. Null
// when it is missing or undecodable.
std::shared_ptr<SoundData> LoadSoundFile(const std::string& path);

// The handle table. Handles count up from 1 and are never reused.
namespace soundtable {
int Add(SoundRef sound);
SoundRef Get(int handle);
// Forgets the handle; the data lives on while a channel still plays it.
void Remove(int handle);
int Count();
void Clear();
}  // namespace soundtable
