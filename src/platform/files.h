// Files and text streams. A failed open gives a null stream: every call on it
// is a harmless no-op and reports the end. Paths are byte strings, relative to
// the current folder unless they start with "/".
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class TextStream;
using Stream = std::shared_ptr<TextStream>;

// Opens an existing file for reading; null when it is missing, a folder or
// unreadable.
Stream ReadFile(const std::string& path);
// Opens a regular file for reading, as ReadFile does; null for anything else
// of that name (a folder, a pipe, a socket, a device), which is never opened,
// so a pipe that nobody writes to cannot hold the caller up.
// With `max_bytes` (not negative), a file that holds more is refused (null)
// before anything is read from it, and a file that grows past it while it
// is read fails the stream there, as a read error does: no more than
// `max_bytes` bytes come out of it. LastFileError then says "File too large".
// What is refused unopened is named by LastFileError as ReadWholeFile names
// it ("a named pipe", "a folder", "a device", "a socket").
Stream ReadRegularFile(const std::string& path, int64_t max_bytes = -1);
// Opens the file for writing as OpenFileInPlace does (created, or a regular
// file emptied; nothing else of that name opened); null when it cannot.
Stream WriteFile(const std::string& path);
// Opens a file for writing where it stands (a log, a picture), not through a
// temporary file: created when nothing has the name, emptied when it is a
// regular file. Anything else of that name is neither opened nor emptied: a
// symbolic link is not followed (in a folder others may write to it could
// lead to any file), a pipe is not waited on, and a folder, a device or a
// socket is left alone. Null when it cannot be opened, and LastFileError
// says why: the system's words, or what has the name instead ("a symbolic
// link", "a named pipe", "a folder", "a device", "a socket").
std::FILE* OpenFileInPlace(const std::string& path);
// Writes out what is buffered and closes; later calls on the stream do nothing.
void CloseFile(const Stream& s);
// Up to LF or NUL, every CR dropped. "" at the end.
std::string ReadLine(const Stream& s);
// Low byte of each character, then CR LF.
void WriteLine(const Stream& s, const std::string& line);
// The bytes as they are, no line end.
void WriteString(const Stream& s, const std::string& bytes);
// Hands what is buffered to the system (a log that must survive a crash).
void FlushStream(const Stream& s);
// True when a read stream has nothing more to give (its end, a read error, a
// closed or null stream); always true for a write stream.
bool Eof(const Stream& s);
// True while every read or write so far has succeeded (false for a null
// stream). A read stream that met a read error also reports its end.
bool StreamOk(const Stream& s);

// 0 none, 1 file, 2 folder.
int FileType(const std::string& path);
// Whether anything at all has the name: a file or a folder, and also what
// FileType does not count (a link, even one that leads nowhere, a pipe).
bool NameTaken(const std::string& path);
// Size in bytes of a file; 0 for a folder, -1 when nothing is there.
int64_t FileSize(const std::string& path);
// Deletes a file (not a folder); true when it was deleted.
bool DeleteFile(const std::string& path);
// Creates one folder; true when a folder of that name exists afterwards.
bool CreateDir(const std::string& path);
// Makes `path` (relative to the current folder, ".." the parent) current.
bool ChangeDir(const std::string& path);
// Absolute path of the current folder, without a trailing "/".
std::string CurrentDir();

class DirHandle;
using Dir = std::shared_ptr<DirHandle>;
// A listing of the folder in the order the file system gives, "." and ".."
// among the entries. Null (an empty listing) when it cannot be opened.
Dir ReadDir(const std::string& path);
// Next entry name, "" at the end.
std::string NextFile(const Dir& d);
void CloseDir(const Dir& d);

// Writes a whole file atomically: the bytes go to "<path>.tmp" in the same
// folder, are flushed to the disk, and the temporary file is renamed over the
// target. On any failure the temporary file is removed, the old file stays as
// it was (or stays absent) and false is returned.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
// Reads a whole regular file (or one a link leads to); false when it cannot
// be opened or read, `bytes` then empty. Anything else of that name is never
// opened, as with ReadRegularFile, and LastFileError names it as
// OpenFileInPlace does ("a named pipe", "a folder", "a device", "a socket").
// Every data file the game loads is read through here.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Why the last open, read or write of this layer that failed did so, in the
// system's words ("Permission denied", "No space left on device"); "" while
// nothing has failed.
std::string LastFileError();

// Makes a write past the process's file-size limit (ulimit -f) fail with
// EFBIG, "File too large", as a write to a full disk fails, rather than end
// the process with SIGXFSZ: every writer here meets a failed write already.
// Every program calls it once at its start; the programs it starts inherit it.
void MeetFileSizeLimitAsFullDisk();

// Fault injection for tests: once `bytes` more bytes have been written through
// this layer (streams and atomic writes alike), every further write fails, as
// on a full disk. A negative count switches it off (the default).
void SetWriteFailAfter(int64_t bytes);
// Fault injection for tests: once `bytes` more bytes have been read through
// this layer (streams and whole files alike), every further read fails, as on
// a damaged disk. A negative count switches it off (the default).
void SetReadFailAfter(int64_t bytes);
// Fault injection for tests, which may run as the superuser: when on, the
// owner's permission bits bind this layer as they bind a player who owns the
// files. A file without the owner's read bit cannot be opened for reading,
// one without the write bit cannot be opened for writing, and no file can be
// created or replaced in a folder without the owner's write bit. Off by default.
void SetOwnerPermissionsBind(bool on);

// What HoldFolderLock found.
enum class FolderLock {
  kHeld,     // this process holds it from now on (or held it already)
  kTaken,    // another process holds it
  kMissing,  // no folder has the name: there is nothing in it to keep
  kNoLocks,  // the file system the folder is on has no locks at all
  kFailed,   // it cannot be locked; LastFileError says why
};
// Holds an exclusive advisory lock on the folder itself until the process
// ends or LetGoOfFolderLocks; the system lets go of it however the process
// ends. No file is made or opened for it, so it needs no right to write in
// the folder, and nothing in the folder can keep it from holding. A process
// holds any number of such locks, one per folder: asking again for a folder
// it holds (however the path is spelt or linked) answers kHeld. Opening the
// folder needs the right to read it: a folder without it cannot be locked.
FolderLock HoldFolderLock(const std::string& folder);
// Lets go of every folder lock this process holds, and forgets the folders
// LockBeforeWritingIn named.
void LetGoOfFolderLocks();
// Names the folders that hold the player's files (they need not exist yet).
// From then on every write into one of them (WriteFileAtomic, WriteFile,
// OpenFileInPlace), however its path is spelt or linked, first holds that
// folder's lock, taking it when the folder has come since: a folder another
// process holds is written nothing, and the write fails with LastFileError
// "its folder is held by another copy". One that cannot be locked is not
// written in either; only on a file system without locks does the write go
// ahead unlocked. Writes elsewhere are not looked at.
void LockBeforeWritingIn(const std::vector<std::string>& folders);
// Fault injection for tests: while `err` is not 0, taking a lock fails with
// that error number, as on a file system that answers so. 0 by default.
void SetFolderLocksFail(int err);
