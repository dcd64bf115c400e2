/* Loaded into the real game ahead of every library: when OpenGL loads its
 * driver, as the first window is made, the game waits there until the test
 * has written to the named pipe that DUSKMOOR_PAUSE_AT_DRIVER names. The
 * test ends the X server meanwhile, as a server that ends during a slow
 * driver load would. Every other load passes straight on. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

void* dlopen(const char* file, int mode) {
  static void* (*next)(const char*, int);
  static int paused;
  if (!next) next = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
  const char* pipe_path = getenv("DUSKMOOR_PAUSE_AT_DRIVER");
  if (!paused && pipe_path && file && strstr(file, "_dri.so")) {
    paused = 1;
    /* Opening waits for the test's end of the pipe; reading, for its word. */
    const int fd = open(pipe_path, O_RDONLY);
    if (fd >= 0) {
      char c;
      while (read(fd, &c, 1) < 0) {
      }
      close(fd);
    }
  }
  return next(file, mode);
}
