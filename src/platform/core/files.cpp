#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBufferSize = 64 * 1024;

// Bytes that may still be written before the injected failure; negative: no limit.
int64_t g_write_budget = -1;
// The same for reading.
int64_t g_read_budget = -1;
// Whether the owner's permission bits bind this layer even for the superuser.
bool g_owner_bits = false;
// errno of the last failure, for LastFileError.
int g_last_error = 0;
// Or, when the system had nothing to say, what stood in the way ("a folder").
const char* g_last_error_what = nullptr;

// Records why something failed; always false, for `return Fail(...)`.
bool Fail(int err) {
  g_last_error = err;
  g_last_error_what = nullptr;
  return false;
}
bool Fail(const char* what) {
  g_last_error = 0;
  g_last_error_what = what;
  return false;
}

// Writes everything or reports failure. Partial writes and interruptions are
// retried; the injected failure writes what the budget allows first, as a
// full disk would.
bool WriteAll(int fd, const char* p, size_t n) {
  bool fail = false;
  if (g_write_budget >= 0) {
    if (static_cast<uint64_t>(g_write_budget) < n) {
      n = static_cast<size_t>(g_write_budget);
      fail = true;
    }
    g_write_budget -= static_cast<int64_t>(n);
  }
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  if (fail) return Fail(ENOSPC);
  return true;
}

// One read(2), retried when interrupted; the injected failure gives what the
// budget allows first and then an input/output error.
ssize_t ReadSome(int fd, char* p, size_t n) {
  if (g_read_budget == 0) {
    errno = EIO;
    return -1;
  }
  if (g_read_budget > 0 && static_cast<uint64_t>(g_read_budget) < n) n = static_cast<size_t>(g_read_budget);
  for (;;) {
    const ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r > 0 && g_read_budget > 0) g_read_budget -= r;
    return r;
  }
}

std::string Parent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// With the owner's bits binding: whether the owner may do `bit` (S_IRUSR,
// S_IWUSR) with what `st` describes.
bool OwnerMay(const struct stat& st, mode_t bit) { return !g_owner_bits || (st.st_mode & bit) != 0; }

// With the owner's bits binding: whether a file may be created or replaced
// in the folder that holds `path`. A folder that cannot be looked at is left
// to the system to refuse.
bool FolderTakesNewFiles(const std::string& path) {
  if (!g_owner_bits) return true;
  struct stat st{};
  return ::stat(Parent(path).c_str(), &st) != 0 || OwnerMay(st, S_IWUSR);
}

// Opens an existing file (not a folder) for reading, or gives -1 with the
// reason recorded.
// With `regular_only`, anything but a regular file is refused unopened:
// opening a device can have effects of its own, and opening a pipe waits for
// a writer. Something else may take the name meanwhile, so that opening does
// not wait, and what it opened is looked at again. What is refused is named
// as WhatIsThere names it.
const char* WhatIsThere(const struct stat& st);
int OpenForReading(const std::string& path, struct stat& st, bool regular_only = false) {
  if (regular_only) {
    if (::stat(path.c_str(), &st) != 0) {
      Fail(errno);
      return -1;
    }
    if (!S_ISREG(st.st_mode)) {
      Fail(WhatIsThere(st));
      return -1;
    }
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (regular_only ? O_NONBLOCK : 0));
  if (fd < 0) {
    Fail(errno);
    return -1;
  }
  int err = 0;
  if (fstat(fd, &st) != 0) err = errno;
  else if (S_ISDIR(st.st_mode)) err = EISDIR;
  else if (regular_only && !S_ISREG(st.st_mode)) err = EINVAL;
  else if (!OwnerMay(st, S_IRUSR)) err = EACCES;
  else if (regular_only && ::fcntl(fd, F_SETFL, 0) != 0) err = errno;
  if (err != 0) {
    ::close(fd);
    Fail(err);
    return -1;
  }
  return fd;
}

// What has a name instead of a file of its own, in the words LastFileError
// gives.
const char* WhatIsThere(const struct stat& st) {
  const mode_t mode = st.st_mode;
  // Another name of a file is that file: writing it in place would write
  // whatever the other name stands for (a log linked to any file).
  if (S_ISREG(mode) && st.st_nlink > 1) return "a file with another name (a hard link)";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Whether what `st` describes is a regular file that no other name leads to.
bool OwnFile(const struct stat& st) { return S_ISREG(st.st_mode) && st.st_nlink <= 1; }

// Whether a file may be written at `path`, as LockBeforeWritingIn says;
// false with the reason recorded. With the folder locks below.
bool FolderLetsWrite(const std::string& path);

// The file behind OpenFileInPlace and WriteFile, open for writing, or -1 with
// the reason recorded. What has the name is looked at before anything is
// opened: opening a device can have effects of its own. Something else may
// take the name meanwhile, so the opening neither follows a link nor waits
// for a pipe's reader, and what it opened is looked at again before it is
// emptied; that is why O_TRUNC is not used.
int OpenInPlace(const std::string& path) {
  if (path.empty()) {
    Fail(ENOENT);
    return -1;
  }
  if (!FolderLetsWrite(path)) return -1;
  struct stat st{};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!OwnFile(st)) {
      Fail(WhatIsThere(st));
      return -1;
    }
    if (!OwnerMay(st, S_IWUSR)) {
      Fail(EACCES);
      return -1;
    }
  } else if (!FolderTakesNewFiles(path)) {
    Fail(EACCES);
    return -1;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int err = errno;
    if (::lstat(path.c_str(), &st) == 0 && !OwnFile(st)) Fail(WhatIsThere(st));
    else Fail(err);
    return -1;
  }
  bool ok = true;
  if (::fstat(fd, &st) != 0) ok = Fail(errno);
  else if (!OwnFile(st)) ok = Fail(WhatIsThere(st));
  else if (!OwnerMay(st, S_IWUSR)) ok = Fail(EACCES);
  // A regular file: from here on its writes may wait, as any file's do.
  else if (::fcntl(fd, F_SETFL, 0) != 0) ok = Fail(errno);
  else if (::ftruncate(fd, 0) != 0) ok = Fail(errno);
  if (!ok) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

class TextStream {
 public:
  // `max_bytes`: the most a read stream may take from its file; negative
  // for no bound.
  TextStream(int fd, bool writing, int64_t max_bytes = -1) : fd_(fd), writing_(writing), left_(max_bytes) {}
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  ~TextStream() { Close(); }

  void Close() {
    if (fd_ < 0) return;
    if (writing_) Flush();
    if (::close(fd_) != 0) {
      Fail(errno);
      ok_ = false;
    }
    fd_ = -1;
    buf_.clear();
    pos_ = 0;
  }

  bool Flush() {
    if (!writing_ || fd_ < 0) return ok_;
    if (!buf_.empty()) {
      if (ok_ && !WriteAll(fd_, buf_.data(), buf_.size())) ok_ = false;
      buf_.clear();
    }
    return ok_;
  }

  void Write(const char* p, size_t n) {
    if (!writing_ || fd_ < 0) return;
    buf_.append(p, n);
    if (buf_.size() >= kBufferSize) Flush();
  }

  // True when a byte is waiting in the buffer (refilling it when needed).
  bool HasByte() {
    if (writing_ || fd_ < 0) return false;
    if (pos_ < buf_.size()) return true;
    if (ended_) return false;
    // A bounded stream asks for one byte more than it may still take, so
    // that a file grown past the bound is seen without reading much of it.
    size_t want = kBufferSize;
    if (left_ >= 0 && static_cast<uint64_t>(left_) < want) want = static_cast<size_t>(left_) + 1;
    buf_.resize(want);
    pos_ = 0;
    const ssize_t r = ReadSome(fd_, buf_.data(), buf_.size());
    if (r <= 0 || (left_ >= 0 && r > left_)) {
      // The end, a read error or a file grown past the bound: either way
      // the stream has nothing more, and the last two leave it failed.
      if (r < 0) {
        Fail(errno);
        ok_ = false;
      } else if (r > 0) {
        Fail(EFBIG);
        ok_ = false;
      }
      ended_ = true;
      buf_.clear();
      return false;
    }
    if (left_ >= 0) left_ -= r;
    buf_.resize(static_cast<size_t>(r));
    return true;
  }

  std::string ReadLine() {
    std::string line;
    while (HasByte()) {
      const char c = buf_[pos_++];
      if (c == '\n' || c == '\0') break;
      if (c != '\r') line += c;
    }
    return line;
  }

  bool writing() const { return writing_; }
  bool ok() const { return ok_; }

 private:
  int fd_;
  bool writing_;
  bool ok_ = true;
  bool ended_ = false;
  int64_t left_;  // bytes the stream may still take from its file; negative: no bound
  std::string buf_;
  size_t pos_ = 0;
};

class DirHandle {
 public:
  explicit DirHandle(DIR* d) : dir_(d) {}
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  ~DirHandle() { Close(); }
  void Close() {
    if (dir_) closedir(dir_);
    dir_ = nullptr;
  }
  std::string Next() {
    if (!dir_) return {};
    errno = 0;
    const dirent* e = readdir(dir_);
    if (!e) {
      Close();  // the end, or a failing listing: both end it
      return {};
    }
    return e->d_name;
  }

 private:
  DIR* dir_;
};

// ---- streams --------------------------------------------------------------------------

Stream ReadFile(const std::string& path) {
  struct stat st{};
  const int fd = OpenForReading(path, st);
  if (fd < 0) return nullptr;
  return std::make_shared<TextStream>(fd, false);
}

Stream ReadRegularFile(const std::string& path, int64_t max_bytes) {
  struct stat st{};
  const int fd = OpenForReading(path, st, true);
  if (fd < 0) return nullptr;
  if (max_bytes >= 0 && st.st_size > max_bytes) {
    ::close(fd);
    Fail(EFBIG);
    return nullptr;
  }
  return std::make_shared<TextStream>(fd, false, max_bytes);
}

Stream WriteFile(const std::string& path) {
  const int fd = OpenInPlace(path);
  if (fd < 0) return nullptr;
  return std::make_shared<TextStream>(fd, true);
}

std::FILE* OpenFileInPlace(const std::string& path) {
  const int fd = OpenInPlace(path);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    Fail(errno);
    ::close(fd);
  }
  return f;
}

void CloseFile(const Stream& s) {
  if (s) s->Close();
}

std::string ReadLine(const Stream& s) { return s ? s->ReadLine() : std::string(); }

void WriteLine(const Stream& s, const std::string& line) {
  if (!s) return;
  s->Write(line.data(), line.size());
  s->Write("\r\n", 2);
}

void WriteString(const Stream& s, const std::string& bytes) {
  if (s) s->Write(bytes.data(), bytes.size());
}

void FlushStream(const Stream& s) {
  if (s) s->Flush();
}

bool Eof(const Stream& s) { return !s || !s->HasByte(); }

bool StreamOk(const Stream& s) { return s && s->ok(); }

// ---- files and folders ------------------------------------------------------------------

int FileType(const std::string& path) {
  struct stat st{};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
  if (S_ISREG(st.st_mode)) return 1;
  if (S_ISDIR(st.st_mode)) return 2;
  return 0;
}

int64_t FileSize(const std::string& path) {
  struct stat st{};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return 0;
  return static_cast<int64_t>(st.st_size);
}

bool NameTaken(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool DeleteFile(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

bool CreateDir(const std::string& path) {
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && FileType(path) == 2;
}

bool ChangeDir(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

std::string CurrentDir() {
  std::vector<char> buf(4096);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return std::string(buf.data());
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
}

Dir ReadDir(const std::string& path) {
  DIR* d = ::opendir(path.empty() ? "." : path.c_str());
  if (!d) return nullptr;
  return std::make_shared<DirHandle>(d);
}

std::string NextFile(const Dir& d) { return d ? d->Next() : std::string(); }

void CloseDir(const Dir& d) {
  if (d) d->Close();
}

// ---- whole files ------------------------------------------------------------------------

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
  if (path.empty()) return Fail(ENOENT);
  if (!FolderLetsWrite(path)) return false;
  if (!FolderTakesNewFiles(path)) return Fail(EACCES);
  const std::string tmp = path + ".tmp";
  // The temporary name is the game's own: whatever has it (a file a crash
  // left, or a link or a pipe someone put there) goes, and the file is made
  // new, so a link is never followed nor a pipe waited on. Something that
  // takes the name meanwhile makes the write fail. A folder is not removed.
  ::unlink(tmp.c_str());
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(errno);
  // The new file keeps the permissions of the one it replaces.
  struct stat old{};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  if (ok && ::fsync(fd) != 0) ok = Fail(errno);
  if (::close(fd) != 0 && ok) ok = Fail(errno);
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = Fail(errno);
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable; the file is already in place either way.
  const int dfd = ::open(Parent(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  struct stat st{};
  const int fd = OpenForReading(path, st, true);
  if (fd < 0) {
    // Named as the writers name it: what has the name instead of a file.
    struct stat there{};
    if (!path.empty() && ::stat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
      Fail(WhatIsThere(there));
    return false;
  }
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char chunk[kBufferSize];
  bool ok = true;
  for (;;) {
    const ssize_t r = ReadSome(fd, chunk, sizeof chunk);
    if (r < 0) ok = Fail(errno);
    if (r <= 0) break;
    bytes.append(chunk, static_cast<size_t>(r));
  }
  ::close(fd);
  if (!ok) bytes.clear();
  return ok;
}

std::string LastFileError() {
  if (g_last_error_what) return g_last_error_what;
  return g_last_error == 0 ? std::string() : std::string(std::strerror(g_last_error));
}

void MeetFileSizeLimitAsFullDisk() {
  struct sigaction ignore{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

void SetWriteFailAfter(int64_t bytes) { g_write_budget = bytes < 0 ? -1 : bytes; }

void SetReadFailAfter(int64_t bytes) { g_read_budget = bytes < 0 ? -1 : bytes; }

void SetOwnerPermissionsBind(bool on) { g_owner_bits = on; }

// ---- lock ----------------------------------------------------------------------------------

namespace {

struct HeldLock {
  dev_t dev = 0;
  ino_t ino = 0;
  int fd = -1;
};

std::vector<HeldLock>& Held() {
  static std::vector<HeldLock> held;
  return held;
}

// The error every lock fails with, for tests; 0: none.
int g_lock_error = 0;

// The folders of LockBeforeWritingIn, as they were named.
std::vector<std::string>& LockedForWriting() {
  static std::vector<std::string> folders;
  return folders;
}

int TakeLock(int fd) {
  if (g_lock_error != 0) {
    errno = g_lock_error;
    return -1;
  }
  int r;
  do {
    r = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r;
}

}  // namespace

FolderLock HoldFolderLock(const std::string& folder) {
  // The folder itself is locked. A lock file could be anything by the time
  // it is looked at (a file nobody may open, a link to anywhere), making one
  // needs the right to write in the folder, and one that cannot be opened
  // locks nothing. Opening the folder needs only the right to read it.
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    Fail(err);
    return err == ENOENT || err == ENOTDIR ? FolderLock::kMissing : FolderLock::kFailed;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    Fail(errno);
    ::close(fd);
    return FolderLock::kFailed;
  }
  // A second open of a folder held already would be refused by this
  // process's own lock.
  for (const HeldLock& held : Held()) {
    if (held.dev == st.st_dev && held.ino == st.st_ino) {
      ::close(fd);
      return FolderLock::kHeld;
    }
  }
  if (TakeLock(fd) != 0) {
    const int err = errno;
    Fail(err);
    ::close(fd);
    if (err == EWOULDBLOCK) return FolderLock::kTaken;
    if (err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS) return FolderLock::kNoLocks;
    return FolderLock::kFailed;
  }
  Held().push_back({st.st_dev, st.st_ino, fd});
  return FolderLock::kHeld;
}

void LetGoOfFolderLocks() {
  for (const HeldLock& held : Held()) ::close(held.fd);
  Held().clear();
  LockedForWriting().clear();
}

void LockBeforeWritingIn(const std::vector<std::string>& folders) { LockedForWriting() = folders; }

namespace {

// A folder named at the start may be missing then and come later (made by
// this process, or by another one at the end of a link that led nowhere):
// it is locked at the first write into it, not before. The folder is found
// by what it is, not by its name, so no spelling or link gets past it.
bool FolderLetsWrite(const std::string& path) {
  if (LockedForWriting().empty()) return true;
  const std::string folder = Parent(path);
  struct stat st{};
  // No folder there: the write fails on its own.
  if (::stat(folder.c_str(), &st) != 0) return true;
  for (const std::string& named : LockedForWriting()) {
    struct stat there{};
    if (::stat(named.c_str(), &there) != 0 || there.st_dev != st.st_dev || there.st_ino != st.st_ino) continue;
    switch (HoldFolderLock(folder)) {
      case FolderLock::kHeld:
      case FolderLock::kMissing:  // gone meanwhile: nothing can be written there
      case FolderLock::kNoLocks:  // no copy could lock it, as at the start
        return true;
      case FolderLock::kTaken:
        return Fail("its folder is held by another copy");
      case FolderLock::kFailed: {
        static std::string why;
        why = "its folder cannot be locked (" + LastFileError() + ")";
        return Fail(why.c_str());
      }
    }
  }
  return true;
}

}  // namespace

void SetFolderLocksFail(int err) { g_lock_error = err; }
