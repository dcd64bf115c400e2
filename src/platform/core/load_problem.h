// What the loaders of pictures, fonts and sounds found wrong with the file
// they read last, for LastLoadProblem (graphics.h). Every load of a file
// clears it first.
#pragma once

#include <string>

namespace loadproblem {

// One per thread: a load and the question that follows it are asked on the
// same thread, whatever another thread loads meanwhile.
inline thread_local std::string last;

// The file stops before the end its own headers give for its data: a copy
// cut short.
inline constexpr const char* kEndsEarly = "data ends early";

}  // namespace loadproblem
