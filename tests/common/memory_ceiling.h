// Memory that runs out on request, for the test programs that link
// memory_ceiling.cpp: their operator new fails as it does when the address
// space is used up, with std::bad_alloc. Under the sanitizers a real
// allocation failure ends the program instead, so this is the only way such
// a program sees memory run out.
#pragma once

#include <cstdint>

namespace testutil {

// From now on an allocation through new that would take the bytes handed out
// and not yet given back more than `headroom` above what is in use now fails.
// Memory given back makes room again.
void SetMemoryCeiling(int64_t headroom);
// Every allocation through new fails, whatever is given back.
void TakeAllMemory();
// Allocations succeed again.
void LiftMemoryCeiling();

}  // namespace testutil
