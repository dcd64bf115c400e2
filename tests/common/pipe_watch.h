// A named pipe that tells whether anything opened it for reading. A pipe
// nobody writes to holds a reader at its opening forever; here a thread keeps
// knocking on the writing end instead, so a reader that opens the pipe is met
// and let go at once with an empty pipe, and a test that would otherwise hang
// fails instead. The system's file events tell the readers apart from that
// writer: only a reader closes the pipe without having written to it.
#pragma once

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace testutil {

class PipeWatch {
 public:
  explicit PipeWatch(std::string path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0666) != 0) return;
    events_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (events_ < 0 || ::inotify_add_watch(events_, path_.c_str(), IN_CLOSE_NOWRITE) < 0) return;
    made_ = true;
    thread_ = std::thread([this] {
      while (!stopping_) {
        // Waits until a reader opens the other end.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
      }
    });
  }
  ~PipeWatch() {
    Stop();
    if (events_ >= 0) ::close(events_);
  }
  PipeWatch(const PipeWatch&) = delete;
  PipeWatch& operator=(const PipeWatch&) = delete;

  // The pipe and its watch were made.
  bool Made() const { return made_; }
  // Whether anything has opened the pipe for reading and closed it again.
  // Ends the watch.
  bool Opened() {
    bool seen = false;
    alignas(inotify_event) char buf[4096];
    for (;;) {
      const ssize_t n = ::read(events_, buf, sizeof buf);
      if (n <= 0) break;
      seen = true;
    }
    Stop();
    return seen;
  }

 private:
  void Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    // A reader of our own meets the waiting writer, which then sees the stop.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    thread_.join();
    if (fd >= 0) ::close(fd);
  }

  std::string path_;
  bool made_ = false;
  int events_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace testutil
