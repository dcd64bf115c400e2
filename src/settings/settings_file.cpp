#include "settings/settings_file.h"

#include <cstdint>
#include <utility>

#include "framework/utils.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

std::vector<std::string> AuxDrivers;
bool AudioDriverKeySeen = false;
bool SetupFileUnreadable = false;

namespace {

constexpr size_t kMaxDrivers = 100;
constexpr int kStoredSlots = 100;  // slots 0 to 99 go into the file

// Absolute value in 32 bits; the one value without a positive twin stays as it is.
int32_t Abs32(int32_t v) {
  return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
}

int32_t ReadNumber(const std::string& text) { return Abs32(ToInt(text)); }

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

std::string DriverName(int32_t pos) {
  if (pos < 0 || static_cast<size_t>(pos) >= AuxDrivers.size()) return "";
  return AuxDrivers[static_cast<size_t>(pos)];
}

}  // namespace

std::string SetupIniText() {
  std::string out;
  Line(out, "[Graphics]");
  if (Options[1] == 0) Line(out, "Fullscreen = False");
  if (Options[1] == 1) Line(out, "Fullscreen = True");
  if (Options[3] == 0) Line(out, "GFX Engine = OpenGL");
  if (Options[3] == 1) Line(out, "GFX Engine = DX9");
  if (Options[3] == 2) Line(out, "GFX Engine = DX7");
  Line(out, "Width=" + Str(Options[5]));
  Line(out, "Height=" + Str(Options[6]));
  if (Options[7] == 1)
    Line(out, "ESS=1 ; This is a slow system, and things must run a wee bit slower for it.  Awww..");
  Line(out, "");
  Line(out, "[Audio]");
  Line(out, "Master = " + Str(Options[11]));
  Line(out, "Sound = " + Str(Options[12]));
  Line(out, "Music = " + Str(Options[13]));
  Line(out, "AudioDriver = " + DriverName(Options[14]));
  for (const std::string& name : AuxDrivers) Line(out, "; AudioDriver = " + name);
  Line(out, "");
  Line(out, "[Controls]");
  for (int slot = 0; slot < kStoredSlots; ++slot) {
    if (KeyV[slot] > 0) Line(out, "Key=" + Str(slot) + "," + Str(KeyV[slot]));
  }
  return out;
}

void SaveIni() {
  // Its reading has been logged; writing the defaults over it would lose the
  // player's keys and volumes.
  if (SetupFileUnreadable) return;
  // Written beside the data folder's other files whatever folder is current;
  // a failed write keeps the last good file.
  if (!WriteFileAtomic(Paths.data + "Setup.ini", SetupIniText()))
    Debug("Settings not saved: " + LogName(Paths.data + "Setup.ini") + " could not be written (" + LastFileError() +
          ")");
}

void ApplySetupLine(const std::string& line) {
  const std::string key = Upper(Trim(SplitText(line, "=", 1, 0)));
  const std::string value = Trim(SplitText(line, "=", 2, 0));
  const std::string upvalue = Upper(value);

  if (key == "AUDIODRIVER") {
    AudioDriverKeySeen = true;
    for (size_t p = 0; p < AuxDrivers.size(); ++p) {
      if (AuxDrivers[p] == value) Options[14] = static_cast<int32_t>(p);
    }
  }
  if (key == "FULLSCREEN" && (upvalue == "TRUE" || upvalue == "ON")) {
    Options[1] = 1;
    Debug("\tSetting to Fullscreen");
  }
  if (key == "GFX ENGINE" || key == "GFXENGINE") {
    if (upvalue == "DX9") {
      Options[3] = 1;
      Debug("\tDirectX 9 Mode");
    }
    if (upvalue == "DX7") {
      Options[3] = 2;
      Debug("\tDirectX 7 Mode");
    }
  }
  if (key == "WIDTH") Options[5] = ReadNumber(value);
  if (key == "HEIGHT") Options[6] = ReadNumber(value);
  if (key == "ESS") {
    Options[7] = 1;
    Debug("\tAssuming Emergency Slow System values.");
  }
  if (key == "KEY") {
    const int32_t slot = ReadNumber(SplitText(value, ",", 1, 0));
    const int32_t code = ReadNumber(SplitText(value, ",", 2, 0));
    if (slot >= 0 && slot < kStoredSlots) KeyV[slot] = code;
  }
  if (key == "MASTER") Options[11] = ReadNumber(value);
  if (key == "SOUND") Options[12] = ReadNumber(value);
  if (key == "MUSIC") Options[13] = ReadNumber(value);
}

void ReadSetupFile(const std::string& path) {
  if (FileType(path) == 0) {
    // Anything but a file or a folder under the name (a pipe, a socket, a
    // device, links that lead round in a loop) counts as missing, and is
    // named; the settings are then saved in its place.
    if (NameTaken(path)) NoteLoad(0, path, "a settings file");
    return;
  }
  const int64_t size = FileSize(path);
  if (size > kMaxSetupFileBytes) {
    SetupFileUnreadable = true;
    Debug("\t" + LogName(path) + " is too large (" + Str(size) + " bytes, the settings file holds at most " +
          Str(kMaxSetupFileBytes) + "): the defaults are used, and it will not be written in this run");
    return;
  }
  // The lines take effect only once the whole file has been read, so that a
  // read error cannot leave half a line's value behind. A file that grows
  // past the bound meanwhile fails as a read error does.
  Stream s = ReadRegularFile(path, kMaxSetupFileBytes);
  std::vector<std::string> lines;
  if (s) {
    do {
      std::string line = ReadLine(s);
      // A blank line sets nothing, so it is not kept.
      if (!line.empty()) lines.push_back(std::move(line));
    } while (!Eof(s));
  }
  const bool read = StreamOk(s);
  CloseFile(s);
  if (!read) {
    SetupFileUnreadable = true;
    Debug("\t" + LogName(path) + " could not be read (" + LastFileError() + "): it will not be written in this run");
    return;
  }
  Debug("\tReading Setup File");
  for (const std::string& line : lines) ApplySetupLine(line);
}

void ReadSettings() {
  AudioDriverKeySeen = false;
  SetupFileUnreadable = false;
  ReadSetupFile(Paths.data + "Setup.ini");
}

void ChooseAudioDriver() {
  if (AudioDriverKeySeen) return;
  for (size_t i = 0; i < AuxDrivers.size(); ++i) {
    const std::string& name = AuxDrivers[i];
    if (Upper(Left(name, 6)) == "OPENAL" && !AudioDriverKeySeen) {
      Options[14] = static_cast<int32_t>(i);
      AudioDriverKeySeen = true;
    }
    if (Upper(Left(name, 4)) == "FREE" || Upper(Left(name, 6)) == "DIRECT") {
      Options[14] = static_cast<int32_t>(i);
      AudioDriverKeySeen = true;
    }
  }
}

void SetChosenAudioDriver() {
  // An empty list names nothing: no driver is set, the audio layer picks its own.
  if (Options[14] < 0 || static_cast<size_t>(Options[14]) >= AuxDrivers.size()) return;
  const std::string name = AuxDrivers[static_cast<size_t>(Options[14])];
  if (!AudioDriverExists(name)) return;
  if (Upper(Left(name, 6)) != "OPENAL") {
    SetAudioDriver(name);
  } else if (EnableOpenALAudio()) {
    SetAudioDriver(name);
  }
}

void TakeAudioDrivers() {
  AuxDrivers = AudioDrivers();
  if (AuxDrivers.size() > kMaxDrivers) AuxDrivers.resize(kMaxDrivers);
}
