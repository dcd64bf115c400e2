// Files and text streams. A failed open gives a null stream: every call on it
// is a harmless no-op and reports the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TextStream;
using Stream = std::shared_ptr<TextStream>;

Stream ReadFile(const std::string& path);
Stream WriteFile(const std::string& path);
void CloseFile(const Stream& s);
// Up to LF or NUL, every CR dropped.
std::string ReadLine(const Stream& s);
// Low byte of each character, then CR LF.
void WriteLine(const Stream& s, const std::string& line);
void WriteString(const Stream& s, const std::string& bytes);
bool Eof(const Stream& s);
// True while every write so far has succeeded.
bool StreamOk(const Stream& s);

// 0 none, 1 file, 2 folder.
int FileType(const std::string& path);
int64_t FileSize(const std::string& path);
bool DeleteFile(const std::string& path);
bool CreateDir(const std::string& path);
bool ChangeDir(const std::string& path);
std::string CurrentDir();

class DirHandle;
using Dir = std::shared_ptr<DirHandle>;
Dir ReadDir(const std::string& path);
// Next entry name, "" at the end.
std::string NextFile(const Dir& d);
void CloseDir(const Dir& d);

// Writes a whole file atomically: a temporary file in the same folder, flushed,
// then renamed over the target. On any failure the old file stays and false is
// returned.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes);
