#include "platform/real/events.h"

void PlatformPumpEvents() {}
