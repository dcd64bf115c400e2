// songrender RULES.ini SEED TEMPO SECONDS OUT.wav
//
// Loads the instrument samples from the game folder's "music/" folder, reads the
// song rule file RULES.ini, starts the song from SEED (-1 takes the clock) at
// TEMPO (twice the milliseconds per row, as the game passes it), runs the
// pattern player for SECONDS seconds and writes what the mixer plays as a
// 16-bit stereo WAV at 44100 Hz. The player runs on a virtual clock and is
// stepped every millisecond, so rows land on their grid exactly and the same
// arguments give the same file byte for byte.
//
// The song is written to OUT.wav.tmp and renamed over OUT.wav, so what has
// the name OUT.wav must be a regular file or nothing: renamed over, a pipe or
// a device would become a file, and a symbolic link would be replaced rather
// than what it leads to.
//
// Exit status: 0 the file is written. 2 bad arguments, a rule file that is
// missing, not a regular file or cannot be read, or an OUT.wav that exists
// and is no regular file: one line on stderr, nothing written. 1 the file
// cannot be written (a full disk, a file-size limit): one line on stderr
// saying why, and a file of that name stays as it was. 128 + N ended by
// SIGHUP, SIGINT or SIGTERM (N its number; unless it was ignored from the
// start), the unfinished file removed. Without instrument samples the song
// is rendered all the same (silent where they would sound), after a warning
// line.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "leftover.h"
#include "music/generator.h"
#include "platform/files.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "startup/globals.h"

namespace {

constexpr int kRate = 44100;
constexpr long kMaxSeconds = 3600;
constexpr long kMaxTempo = 120000;

[[noreturn]] void Usage(const std::string& why) {
  std::fprintf(stderr, "songrender: %s (usage: songrender RULES.ini SEED TEMPO SECONDS OUT.wav)\n", why.c_str());
  std::exit(2);
}

// A whole decimal integer within [lo, hi], or false.
bool ParseInt(const char* text, long lo, long hi, long& out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

void PutU32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU16(std::string& b, uint16_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>(v >> 8);
}

// Whether something that is no regular file has the name (a link to one
// counts as no regular file). A name the tool cannot look at is left to the
// write, which then fails.
bool TakenByNoRegularFile(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::string WavBytes(const std::vector<int16_t>& samples) {
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::string b;
  b.reserve(44 + data);
  b += "RIFF";
  PutU32(b, 36 + data);
  b += "WAVEfmt ";
  PutU32(b, 16);
  PutU16(b, 1);  // PCM
  PutU16(b, 2);  // stereo
  PutU32(b, kRate);
  PutU32(b, kRate * 4);
  PutU16(b, 4);
  PutU16(b, 16);
  b += "data";
  PutU32(b, data);
  for (int16_t s : samples) PutU16(b, static_cast<uint16_t>(s));
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const toolcommon::LeftoverGuard leftoverGuard;
  MeetFileSizeLimitAsFullDisk();
  if (argc != 6) Usage("expected 5 arguments");
  const std::string rules = argv[1];
  long seed = 0, tempo = 0, seconds = 0;
  if (!ParseInt(argv[2], INT32_MIN, INT32_MAX, seed)) Usage("SEED must be a 32-bit integer");
  if (!ParseInt(argv[3], 2, kMaxTempo, tempo)) Usage("TEMPO must be an integer from 2 to " + std::to_string(kMaxTempo));
  if (!ParseInt(argv[4], 1, kMaxSeconds, seconds)) Usage("SECONDS must be an integer from 1 to " + std::to_string(kMaxSeconds));
  const std::string out = argv[5];
  if (out.empty()) Usage("OUT.wav must be a file name");
  if (TakenByNoRegularFile(out)) Usage("the output is not a regular file: " + out);
  if (FileType(rules) != 1) Usage("no rule file " + rules);
  // The rules reader takes a file it cannot open for one without a line,
  // which would render silence.
  if (!ReadRegularFile(rules)) Usage("cannot read the rule file " + rules);

  testbackend::Reset();
  // The mixer renders only what this loop asks of it.
  testbackend::SetAudioFollowsClock(false);
  Paths.game = SONGRENDER_GAME_DIR;
  Options[11] = 50;  // master and music volume at the game's defaults
  Options[13] = 50;

  QRDM_Load();
  int samplesLoaded = 0;
  for (int32_t h : QRDM_inst) samplesLoaded += h != 0 ? 1 : 0;
  if (samplesLoaded == 0) std::fprintf(stderr, "songrender: warning: no instrument samples in %smusic/\n", SONGRENDER_GAME_DIR);

  QRDM_ReadRules(rules);
  QRDM_StartSong(static_cast<int32_t>(seed), static_cast<int32_t>(tempo));

  const int64_t totalMs = static_cast<int64_t>(seconds) * 1000;
  std::vector<int16_t> mix(static_cast<size_t>(totalMs * kRate / 1000) * 2);
  int64_t done = 0;  // frames rendered so far
  for (int64_t ms = 1; ms <= totalMs; ++ms) {
    QRDM_Play();
    const int64_t upTo = ms * kRate / 1000;
    if (upTo > done) {
      const std::vector<int16_t> chunk = testbackend::RenderAudio(static_cast<int>(upTo - done));
      std::copy(chunk.begin(), chunk.end(), mix.begin() + done * 2);
      done = upTo;
    }
    testbackend::AdvanceClock(1);
  }

  // Something may have taken the name during the song.
  if (TakenByNoRegularFile(out)) Usage("the output is not a regular file: " + out);
  const std::string wav = WavBytes(mix);
  // The write makes "OUT.tmp" and renames it over OUT; a signal meanwhile
  // takes the unfinished file along.
  toolcommon::SetLeftover(out + ".tmp", toolcommon::Leftover::File);
  const bool written = WriteFileAtomic(out, wav);
  toolcommon::ForgetLeftover();
  if (!written) {
    std::fprintf(stderr, "songrender: cannot write %s: %s\n", out.c_str(), LastFileError().c_str());
    return 1;
  }
  return 0;
}
