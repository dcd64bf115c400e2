#include "level/records.h"

#include "platform/runtime.h"

int32_t game::Compare(const game& other) const { return CompareText(other.Title, Title) < 0 ? 1 : 0; }

int32_t game::Compare(const game* other) const { return other ? Compare(*other) : 1; }
