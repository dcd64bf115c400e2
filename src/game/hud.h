// The heads-up display: score, health, keys and ammunition, at the three screen widths.
#pragma once

void Hud1280();
void Hud1600();
void Hud1440();
