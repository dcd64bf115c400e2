// Pointer position kept by the event pump, in window coordinates.
#pragma once

void InputSetPointer(float wx, float wy);
void InputPointer(float& wx, float& wy);
