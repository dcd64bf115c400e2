// replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]
//
// Plays LEVEL (a level file, or a folder of level files played as a pack)
// headless from its first frame of play, following SCRIPT, and prints the
// game's state at the end. See the "Replay tool" section of README.md.
#include <iostream>
#include <string>
#include <vector>

#include "replay_lib.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return replay::Main(args, std::cout, std::cerr);
}
