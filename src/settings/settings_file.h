// "Setup.ini": the settings file in the data folder. Read once at start-up,
// rewritten whole from memory on every Tab, every Apply and at exit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The audio layer's driver names, taken once at start-up; Options[14] is a
// position in it.
extern std::vector<std::string> AuxDrivers;
// Set when the settings file holds an AUDIODRIVER line (whether or not its
// name matched); the automatic driver choice then stays out of it.
extern bool AudioDriverKeySeen;

// Set when the settings file exists but could not be read (no permission, a
// folder of that name, a read error, too large): the settings in memory are
// not the player's, so the file is not written again in this run.
extern bool SetupFileUnreadable;

// The most bytes the settings file may hold; a larger one is not read.
// The writer's file is under 1 KB on every system seen, and at most about
// 31 KB: a hundred driver lines of up to about 280 bytes, a hundred key
// lines of up to 20 and a dozen other short lines.
constexpr int64_t kMaxSetupFileBytes = int64_t{1} << 20;

// The file as the writer lays it out, every line ending in CR LF.
std::string SetupIniText();
// Writes "Setup.ini" into the data folder atomically: a failed write leaves the
// previous file in place and writes a line to the log. A file that could not
// be read is left alone. The current folder is not touched.
void SaveIni();

// Applies one line of the settings file to Options, KeyV and the driver flag,
// with the log notes that some keys leave.
void ApplySetupLine(const std::string& line);
// Reads the settings file at `path` line by line. Nothing happens (and nothing
// is logged) when it is missing. Something of that name that cannot be read
// (no permission, a folder, a read error part-way, more than
// kMaxSetupFileBytes) changes no setting, is logged and sets
// SetupFileUnreadable. Anything else of that name (a pipe, a socket, a
// device, links in a loop) is never opened: it is logged, and counts as
// missing.
void ReadSetupFile(const std::string& path);
// The start-up's reading step: clears the driver flag and the unreadable
// mark and reads the data folder's "Setup.ini".
void ReadSettings();

// Takes the audio layer's driver names (at most a hundred) into AuxDrivers.
void TakeAudioDrivers();
// Without a driver named by the file: the last driver whose name begins with
// "FREE" or "DIRECT", else the first beginning with "OPENAL" (any letter case).
void ChooseAudioDriver();
// Makes the driver at Options[14] the audio layer's driver when it exists;
// OpenAL drivers only once OpenAL could be enabled.
void SetChosenAudioDriver();
