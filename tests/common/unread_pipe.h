// A named pipe that nobody reads. Whatever opens it for writing waits for a
// reader for good. Returns runs a piece of code on a thread of its own; when
// the code has not come back within the guard, a reader of our own opens the
// pipe and empties it until the code is done, so that a case which would hang
// fails instead. That reader stays open while the pipe lives: a later write
// into the pipe cannot end the test process.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace testutil {

class UnreadPipe {
 public:
  explicit UnreadPipe(std::string path) : path_(std::move(path)) { made_ = ::mkfifo(path_.c_str(), 0666) == 0; }
  ~UnreadPipe() {
    if (reader_ >= 0) ::close(reader_);
  }
  UnreadPipe(const UnreadPipe&) = delete;
  UnreadPipe& operator=(const UnreadPipe&) = delete;

  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }

  // True when `code` came back within `seconds` by itself. The guard only
  // turns a hang into a failure; it never decides a pass.
  bool Returns(const std::function<void()>& code, int seconds = 60) {
    std::packaged_task<void()> task(code);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool by_itself = done.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready;
    if (!by_itself) {
      if (reader_ < 0) reader_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        pollfd p{reader_, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0) {
          char sink[4096];
          [[maybe_unused]] const ssize_t taken = ::read(reader_, sink, sizeof sink);
        }
      }
    }
    runner.join();
    return by_itself;
  }

 private:
  std::string path_;
  bool made_ = false;
  int reader_ = -1;
};

}  // namespace testutil
