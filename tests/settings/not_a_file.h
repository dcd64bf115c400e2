// What can stand under the name of a file the game reads instead of a file
// it may read: the tests of each reader put each in turn in its place, and
// check the words the debug log names it in.
#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/pipe_watch.h"
#include "common/test_util.h"
#include "platform/files.h"

namespace testutil {

struct NotAFile {
  std::string what;   // what the case puts there
  std::string named;  // the words the log gives for it
  // Puts it at `path`; `bytes` are what a file there would hold (a file
  // that may not be read holds them). A pipe is watched for as long as
  // `watch` lives. False when this system cannot make it.
  std::function<bool(const std::string& path, const std::string& bytes, std::unique_ptr<PipeWatch>& watch)> put;
  // Stands where a file would, so the reader names it as it names a file it
  // cannot read (a folder, a file it may not read); the rest count as missing.
  bool file_like = false;
};

// A socket left behind at `path`. A socket's address holds about a hundred
// bytes, less than a test folder's path may take: it is bound at a short name
// of its own and moved into place.
inline bool PutSocketAt(const std::string& path) {
  const std::string near = "/tmp/dm-sock-" + std::to_string(::getpid());
  ::unlink(near.c_str());
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (sock < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", near.c_str());
  const bool bound = ::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(sock);
  return bound && ::rename(near.c_str(), path.c_str()) == 0;
}

// Every kind, in the order the tests walk them. The device node needs the
// superuser, and some systems refuse it even then: its `put` then fails.
inline const std::vector<NotAFile>& NotAFiles() {
  static const std::vector<NotAFile> kinds = {
      // A pipe nobody writes to would hold an opening reader for good; the
      // watch lets such a reader go at once, and tells.
      {"a pipe", "a named pipe",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>& watch) {
         watch = std::make_unique<PipeWatch>(path);
         return watch->Made();
       }},
      {"a socket", "a socket",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>&) { return PutSocketAt(path); }},
      {"a link to an endless device", "a device",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>&) {
         return ::symlink("/dev/zero", path.c_str()) == 0;
       }},
      {"an endless device", "a device",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>&) {
         return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
       }},
      {"links that lead round in a loop", "Too many levels of symbolic links",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>&) {
         return ::symlink((path + ".loop").c_str(), path.c_str()) == 0 &&
                ::symlink(path.c_str(), (path + ".loop").c_str()) == 0;
       }},
      {"a folder", "a folder",
       [](const std::string& path, const std::string&, std::unique_ptr<PipeWatch>&) {
         return std::filesystem::create_directory(path);
       },
       true},
      // The tests may run as the superuser, whom permissions do not bind.
      {"a file that may not be read", "Permission denied",
       [](const std::string& path, const std::string& bytes, std::unique_ptr<PipeWatch>&) {
         WriteBytes(path, bytes);
         SetOwnerPermissionsBind(true);
         return ::chmod(path.c_str(), 0) == 0;
       },
       true},
  };
  return kinds;
}

// Takes away whatever a kind left at `path`, and the binding of permissions.
inline void RemoveNotAFile(const std::string& path) {
  SetOwnerPermissionsBind(false);
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  std::filesystem::remove(path + ".loop", ec);
}

}  // namespace testutil
