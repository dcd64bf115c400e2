// Offline synthesiser: sound-effect and instrument recipes, the song renderer
// and the WAV / Ogg Vorbis writers. See data/sound/README.txt for the formats.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "datagen.h"

namespace datagen {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Range {
  double from = 0, to = 0;
  bool set = false;
  double At(double u) const { return from + (to - from) * u; }
  // Exponential glide, for pitches and cutoffs.
  double ExpAt(double u) const {
    if (from <= 0 || to <= 0) return At(u);
    return from * std::pow(to / from, u);
  }
};

Range ParseRange(const std::string& v) {
  Range r;
  r.set = true;
  auto colon = v.find(':');
  r.from = std::stod(v.substr(0, colon));
  r.to = colon == std::string::npos ? r.from : std::stod(v.substr(colon + 1));
  return r;
}

// Zero-delay state-variable filter: stable at any cutoff, so sweeps are safe.
struct Svf {
  double ic1 = 0, ic2 = 0;
  void Run(double x, double fc, double q, double& low, double& high) {
    fc = std::clamp(fc, 10.0, kRate * 0.45);
    double g = std::tan(kPi * fc / kRate);
    double k = 1.0 / q;
    double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = x - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2;
    high = x - k * v1 - v2;
  }
};

struct Layer {
  std::string wave = "sine";
  Range f{440, 440, false};
  double at = 0, len = -1;
  double a = 0.002, h = 0, d = 0, r = 0.005;
  double amp = 1;
  double duty = 0.5;
  Range lp, hp;
  double q = 0.707;
  double vibRate = 0, vibDepth = 0;
  double amRate = 0, amDepth = 0;
  double ratio = 2;
  Range index{0, 0, false};
  double curve = 1;  // >1 makes the pitch sweep linger at its start
  double detune = 0; // second oscillator, in semitones
  unsigned seed = 1;
  double sampleHold = 0;  // noise held for this many seconds (grainy noise)
};

Layer ParseLayer(const std::vector<std::string>& w, const std::string& where) {
  Layer L;
  for (size_t i = 1; i < w.size(); ++i) {
    auto eq = w[i].find('=');
    if (eq == std::string::npos) Fail(where + ": expected key=value, got " + w[i]);
    std::string k = w[i].substr(0, eq), v = w[i].substr(eq + 1);
    if (k == "wave") L.wave = v;
    else if (k == "f") L.f = ParseRange(v);
    else if (k == "at") L.at = std::stod(v);
    else if (k == "len") L.len = std::stod(v);
    else if (k == "a") L.a = std::stod(v);
    else if (k == "h") L.h = std::stod(v);
    else if (k == "d") L.d = std::stod(v);
    else if (k == "r") L.r = std::stod(v);
    else if (k == "amp") L.amp = std::stod(v);
    else if (k == "duty") L.duty = std::stod(v);
    else if (k == "lp") L.lp = ParseRange(v);
    else if (k == "hp") L.hp = ParseRange(v);
    else if (k == "q") L.q = std::stod(v);
    else if (k == "vib") { auto r = ParseRange(v); L.vibRate = r.from; L.vibDepth = r.to; }
    else if (k == "am") { auto r = ParseRange(v); L.amRate = r.from; L.amDepth = r.to; }
    else if (k == "ratio") L.ratio = std::stod(v);
    else if (k == "index") L.index = ParseRange(v);
    else if (k == "curve") L.curve = std::stod(v);
    else if (k == "detune") L.detune = std::stod(v);
    else if (k == "seed") L.seed = unsigned(std::stoul(v));
    else if (k == "grain") L.sampleHold = std::stod(v);
    else Fail(where + ": unknown layer key " + k);
  }
  return L;
}

double Osc(const std::string& wave, double phase, double duty) {
  double p = phase - std::floor(phase);
  if (wave == "sine") return std::sin(2 * kPi * p);
  if (wave == "square") return p < 0.5 ? 0.8 : -0.8;
  if (wave == "pulse") return p < duty ? 0.8 : -0.8;
  if (wave == "saw") return 0.8 * (2 * p - 1);
  if (wave == "tri") return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
  return 0;
}

void RenderLayer(const Layer& L, double total, std::vector<float>& out) {
  double len = L.len > 0 ? L.len : total - L.at;
  int start = int(L.at * kRate);
  int n = int(len * kRate);
  std::mt19937 rng(L.seed);
  std::uniform_real_distribution<double> uni(-1, 1);
  Svf lpf, hpf;
  double phase = 0, phase2 = 0, mphase = 0;
  double held = 0, holdLeft = 0;
  bool waveIsKnown = L.wave == "sine" || L.wave == "square" || L.wave == "pulse" || L.wave == "saw" ||
                     L.wave == "tri" || L.wave == "noise" || L.wave == "fm";
  if (!waveIsKnown) Fail("unknown wave " + L.wave);
  for (int i = 0; i < n; ++i) {
    int idx = start + i;
    if (idx < 0 || idx >= int(out.size())) continue;
    double t = double(i) / kRate;
    double u = n > 1 ? double(i) / (n - 1) : 0;
    double uc = std::pow(u, L.curve);
    // Envelope: attack, hold, exponential decay, short release at the end.
    double env;
    if (t < L.a) env = t / L.a;
    else if (t < L.a + L.h || L.d <= 0) env = 1;
    else env = std::exp(-(t - L.a - L.h) / L.d);
    double tail = len - t;
    if (L.r > 0 && tail < L.r) env *= std::max(0.0, tail / L.r);
    if (L.amRate > 0) env *= 1 - L.amDepth * 0.5 * (1 + std::sin(2 * kPi * L.amRate * t));
    double f = L.f.ExpAt(uc);
    if (L.vibRate > 0) f *= std::pow(2.0, L.vibDepth / 12 * std::sin(2 * kPi * L.vibRate * t));
    double s;
    if (L.wave == "noise") {
      if (L.sampleHold > 0) {
        holdLeft -= 1.0 / kRate;
        if (holdLeft <= 0) {
          held = uni(rng);
          holdLeft = L.sampleHold;
        }
        s = held;
      } else {
        s = uni(rng);
      }
    } else if (L.wave == "fm") {
      double idxv = L.index.set ? L.index.At(u) : 1.0;
      mphase += f * L.ratio / kRate;
      s = std::sin(2 * kPi * phase + idxv * std::sin(2 * kPi * mphase));
    } else {
      s = Osc(L.wave, phase, L.duty);
      if (L.detune != 0) {
        s = 0.6 * s + 0.6 * Osc(L.wave, phase2, L.duty);
        phase2 += f * std::pow(2.0, L.detune / 12) / kRate;
      }
    }
    phase += f / kRate;
    if (L.lp.set) {
      double low, high;
      lpf.Run(s, L.lp.ExpAt(u), L.q, low, high);
      s = low;
    }
    if (L.hp.set) {
      double low, high;
      hpf.Run(s, L.hp.ExpAt(u), 0.707, low, high);
      s = high;
    }
    out[size_t(idx)] += float(s * env * L.amp);
  }
}

void Normalise(std::vector<float>& s, double peakDb) {
  float peak = 0;
  for (float v : s) peak = std::max(peak, std::fabs(v));
  if (peak <= 0) return;
  float g = float(std::pow(10.0, peakDb / 20.0) / peak);
  for (float& v : s) v *= g;
}

}  // namespace

std::vector<float> RenderRecipe(const std::string& path) {
  auto lines = SplitLines(ReadText(path));
  double length = 0.5, peak = -3, fadeIn = 0.0005;
  std::vector<Layer> layers;
  for (size_t i = 0; i < lines.size(); ++i) {
    auto w = Words(lines[i]);
    if (w.empty() || w[0][0] == '#') continue;
    std::string where = path + ":" + std::to_string(i + 1);
    if (w[0] == "length" && w.size() == 2) length = std::stod(w[1]);
    else if (w[0] == "peak" && w.size() == 2) peak = std::stod(w[1]);
    else if (w[0] == "layer") layers.push_back(ParseLayer(w, where));
    else Fail(where + ": unknown recipe line");
  }
  if (layers.empty()) Fail(path + ": a recipe needs at least one layer");
  std::vector<float> out(size_t(length * kRate), 0.f);
  for (const auto& L : layers) RenderLayer(L, length, out);
  // Every sound starts and ends at silence, so no click at either end.
  int fi = int(fadeIn * kRate), fo = int(0.004 * kRate);
  for (int i = 0; i < fi && i < int(out.size()); ++i) out[size_t(i)] *= float(i) / fi;
  for (int i = 0; i < fo && i < int(out.size()); ++i) out[out.size() - 1 - size_t(i)] *= float(i) / fo;
  Normalise(out, peak);
  return out;
}

void WriteWav(const std::string& path, const std::vector<float>& mono) {
  std::string b;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 255); };
  auto u16 = [&](uint16_t v) { b += char(v & 255); b += char(v >> 8); };
  uint32_t dataBytes = uint32_t(mono.size() * 2);
  b += "RIFF";
  u32(36 + dataBytes);
  b += "WAVEfmt ";
  u32(16);
  u16(1);             // PCM
  u16(1);             // mono
  u32(kRate);
  u32(kRate * 2);
  u16(2);
  u16(16);
  b += "data";
  u32(dataBytes);
  for (float v : mono) {
    int s = int(std::lround(std::clamp(v, -1.f, 1.f) * 32767.f));
    u16(uint16_t(int16_t(s)));
  }
  WriteBytes(path, b);
}

// ---- songs -----------------------------------------------------------------------------

namespace {

struct Track {
  std::string name;
  std::string inst;   // instrument recipe name, or the drum kit prefix ("d1")
  bool drums = false;
  double vol = 1, pan = 0, echo = 0;
  int transpose = 0;
};

struct Voice {
  const std::vector<float>* sample = nullptr;
  double pos = 0, step = 1;
  double gain = 1;
  double fadeLeft = -1;  // samples left in the release fade; -1 while sounding
};

int NoteNumber(const std::string& tok, const std::string& where) {
  // C4 = 60. Names like C4, C#4, Db4.
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  char L = char(std::toupper(static_cast<unsigned char>(tok[0])));
  if (L < 'A' || L > 'G') Fail(where + ": bad note " + tok);
  int n = base[L - 'A'];
  size_t i = 1;
  while (i < tok.size() && (tok[i] == '#' || tok[i] == 'b')) {
    n += tok[i] == '#' ? 1 : -1;
    ++i;
  }
  if (i >= tok.size()) Fail(where + ": note without octave " + tok);
  int oct = std::stoi(tok.substr(i));
  return n + 12 * (oct + 1);
}

}  // namespace

std::vector<float> RenderSong(const std::string& songPath, const std::string& instDir) {
  auto lines = SplitLines(ReadText(songPath));
  double tempo = 120, rowsPerBeat = 4, tail = 2, peak = -1.5, swing = 0;
  double echoTime = 0.375, echoFeedback = 0.35;
  std::vector<Track> tracks;
  std::map<std::string, std::map<std::string, std::vector<std::string>>> patterns;  // pattern -> track -> tokens
  std::map<std::string, int> patternRows;
  std::vector<std::string> order;
  std::string curPattern;
  for (size_t i = 0; i < lines.size(); ++i) {
    auto w = Words(lines[i]);
    if (w.empty() || w[0][0] == '#') continue;
    std::string where = songPath + ":" + std::to_string(i + 1);
    if (w[0] == "tempo") tempo = std::stod(w.at(1));
    else if (w[0] == "rows") rowsPerBeat = std::stod(w.at(1));
    else if (w[0] == "tail") tail = std::stod(w.at(1));
    else if (w[0] == "peak") peak = std::stod(w.at(1));
    else if (w[0] == "swing") swing = std::stod(w.at(1));
    else if (w[0] == "echo") { echoTime = std::stod(w.at(1)); echoFeedback = std::stod(w.at(2)); }
    else if (w[0] == "track") {
      Track t;
      t.name = w.at(1);
      for (size_t k = 2; k < w.size(); ++k) {
        auto eq = w[k].find('=');
        if (eq == std::string::npos) Fail(where + ": expected key=value");
        std::string key = w[k].substr(0, eq), v = w[k].substr(eq + 1);
        if (key == "inst") t.inst = v;
        else if (key == "kit") { t.inst = v; t.drums = true; }
        else if (key == "vol") t.vol = std::stod(v);
        else if (key == "pan") t.pan = std::stod(v);
        else if (key == "echo") t.echo = std::stod(v);
        else if (key == "transpose") t.transpose = std::stoi(v);
        else Fail(where + ": unknown track key " + key);
      }
      tracks.push_back(t);
    } else if (w[0] == "pattern") {
      curPattern = w.at(1);
      patternRows[curPattern] = std::stoi(w.at(2));
      patterns[curPattern];
    } else if (w[0] == "song") {
      order.insert(order.end(), w.begin() + 1, w.end());
    } else {
      if (curPattern.empty()) Fail(where + ": notes outside a pattern");
      bool known = false;
      for (const auto& t : tracks) known |= t.name == w[0];
      if (!known) Fail(where + ": unknown track " + w[0]);
      auto& toks = patterns[curPattern][w[0]];
      for (size_t k = 1; k < w.size(); ++k)
        if (w[k] != "|") toks.push_back(w[k]);
    }
  }
  if (order.empty()) Fail(songPath + ": no song order");
  for (const auto& [name, byTrack] : patterns)
    for (const auto& [tname, toks] : byTrack)
      if (int(toks.size()) != patternRows[name])
        Fail(songPath + ": pattern " + name + " track " + tname + " has " + std::to_string(toks.size()) +
             " rows, want " + std::to_string(patternRows[name]));

  // Instrument samples, rendered once each.
  std::map<std::string, std::vector<float>> samples;
  auto sampleOf = [&](const std::string& name) -> const std::vector<float>& {
    auto it = samples.find(name);
    if (it != samples.end()) return it->second;
    return samples[name] = RenderRecipe(instDir + "/" + name + ".txt");
  };
  auto refMidi = [](const std::string& inst) { return inst.rfind("bass", 0) == 0 ? 36 : 60; };

  int totalRows = 0;
  for (const auto& p : order) {
    if (!patternRows.count(p)) Fail(songPath + ": unknown pattern in song order " + p);
    totalRows += patternRows[p];
  }
  double rowSec = 60.0 / tempo / rowsPerBeat;
  size_t frames = size_t((totalRows * rowSec + tail) * kRate);
  std::vector<float> mixL(frames, 0.f), mixR(frames, 0.f), sendL(frames, 0.f), sendR(frames, 0.f);

  for (const auto& t : tracks) {
    std::vector<Voice> voices;
    double pl = std::cos((t.pan + 1) * kPi / 4), pr = std::sin((t.pan + 1) * kPi / 4);
    // Events per row of the whole song for this track.
    std::vector<std::string> rowTok;
    for (const auto& p : order) {
      auto it = patterns[p].find(t.name);
      for (int r = 0; r < patternRows[p]; ++r)
        rowTok.push_back(it == patterns[p].end() ? "." : it->second[size_t(r)]);
    }
    // One frame of the track into the stereo mix and the echo send.
    auto mixOut = [&](size_t at, double acc) {
      mixL[at] += float(acc * pl * t.vol);
      mixR[at] += float(acc * pr * t.vol);
      if (t.echo > 0) {
        sendL[at] += float(acc * pl * t.vol * t.echo);
        sendR[at] += float(acc * pr * t.vol * t.echo);
      }
    };
    size_t cursor = 0;
    for (size_t r = 0; r <= rowTok.size(); ++r) {
      double rowStart = r * rowSec + ((r % 2) ? swing * rowSec : 0);
      size_t rowFrame = std::min(frames, size_t(rowStart * kRate));
      // Mix the sounding voices up to this row.
      for (; cursor < rowFrame; ++cursor) {
        double acc = 0;
        for (auto& v : voices) {
          if (!v.sample) continue;
          size_t ip = size_t(v.pos);
          if (ip + 1 >= v.sample->size()) { v.sample = nullptr; continue; }
          double fr = v.pos - double(ip);
          double s = (*v.sample)[ip] * (1 - fr) + (*v.sample)[ip + 1] * fr;
          double g = v.gain;
          if (v.fadeLeft >= 0) {
            g *= v.fadeLeft / (0.02 * kRate);
            v.fadeLeft -= 1;
            if (v.fadeLeft <= 0) v.sample = nullptr;
          }
          acc += s * g;
          v.pos += v.step;
        }
        mixOut(cursor, acc);
      }
      if (r == rowTok.size()) {
        // Ring out through the tail.
        for (; cursor < frames; ++cursor) {
          double acc = 0;
          for (auto& v : voices) {
            if (!v.sample) continue;
            size_t ip = size_t(v.pos);
            if (ip + 1 >= v.sample->size()) { v.sample = nullptr; continue; }
            acc += (*v.sample)[ip] * v.gain;
            v.pos += v.step;
          }
          mixOut(cursor, acc);
        }
        break;
      }
      const std::string& tok = rowTok[r];
      if (tok == ".") continue;
      // A new note (or a rest mark) releases what sounds.
      for (auto& v : voices)
        if (v.sample && v.fadeLeft < 0) v.fadeLeft = 0.02 * kRate;
      if (tok == "-") continue;
      std::string where = songPath + " track " + t.name;
      size_t s = 0;
      while (s <= tok.size()) {
        size_t plus = tok.find('+', s);
        std::string one = tok.substr(s, plus == std::string::npos ? std::string::npos : plus - s);
        s = plus == std::string::npos ? tok.size() + 1 : plus + 1;
        double gain = 1;
        while (!one.empty() && (one.back() == '!' || one.back() == '\'')) {
          gain *= one.back() == '!' ? 1.35 : 0.6;
          one.pop_back();
        }
        Voice v;
        v.gain = gain;
        if (t.drums) {
          if (one.size() != 1 || one[0] < '1' || one[0] > '8') Fail(where + ": drum digits 1-8, got " + one);
          v.sample = &sampleOf(t.inst + "-" + one);
          v.step = 1;
        } else {
          int midi = NoteNumber(one, where) + t.transpose;
          v.sample = &sampleOf(t.inst);
          v.step = std::pow(2.0, (midi - refMidi(t.inst)) / 12.0);
        }
        voices.erase(std::remove_if(voices.begin(), voices.end(), [](const Voice& x) { return !x.sample; }),
                     voices.end());
        voices.push_back(v);
      }
    }
  }

  // Ping-pong echo on the send, for a little space.
  size_t dl = size_t(echoTime * kRate);
  std::vector<float> eL(frames, 0.f), eR(frames, 0.f);
  for (size_t i = 0; i < frames; ++i) {
    float inL = sendL[i], inR = sendR[i];
    float fbL = i >= dl ? eR[i - dl] : 0.f;
    float fbR = i >= dl ? eL[i - dl] : 0.f;
    eL[i] = inR * 0.5f + fbL * float(echoFeedback);
    eR[i] = inL * 0.5f + fbR * float(echoFeedback);
  }
  std::vector<float> out(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    double dL = i >= dl ? eL[i - dl] : 0.0, dR = i >= dl ? eR[i - dl] : 0.0;
    out[2 * i] = float(mixL[i] + dL);
    out[2 * i + 1] = float(mixR[i] + dR);
  }
  // Fade the last part of the tail to silence, so the restart is clean.
  size_t fade = std::min(frames, size_t(std::min(tail, 1.5) * kRate));
  for (size_t i = 0; i < fade; ++i) {
    float g = float(i) / float(fade);
    out[2 * (frames - 1 - i)] *= g * g;
    out[2 * (frames - 1 - i) + 1] *= g * g;
  }
  Normalise(out, peak);
  return out;
}

void WriteOgg(const std::string& path, const std::vector<float>& stereo) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.4f) != 0) Fail("vorbis encoder set-up failed");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "ENCODER", "duskmoor datagen");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x44534b4d);
  std::string bytes;
  ogg_page og;
  ogg_packet op;
  auto flushPages = [&](bool force) {
    while (true) {
      int got = force ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og);
      if (!got) break;
      bytes.append(reinterpret_cast<const char*>(og.header), size_t(og.header_len));
      bytes.append(reinterpret_cast<const char*>(og.body), size_t(og.body_len));
    }
  };
  {
    ogg_packet h, hc, hcode;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
    ogg_stream_packetin(&os, &h);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hcode);
    flushPages(true);
  }
  size_t frames = stereo.size() / 2, pos = 0;
  const size_t chunk = 4096;
  bool eos = false;
  while (!eos) {
    if (pos < frames) {
      size_t n = std::min(chunk, frames - pos);
      float** buf = vorbis_analysis_buffer(&vd, int(n));
      for (size_t i = 0; i < n; ++i) {
        buf[0][i] = stereo[2 * (pos + i)];
        buf[1][i] = stereo[2 * (pos + i) + 1];
      }
      vorbis_analysis_wrote(&vd, int(n));
      pos += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        flushPages(false);
        if (op.e_o_s) eos = true;
      }
    }
  }
  flushPages(true);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  WriteBytes(path, bytes);
}

}  // namespace datagen
