// Numbered sound effects on rotating channel slots, the music channel and
// badge awards. Volumes are the percentages of Options 11 (master),
// 12 (effects) and 13 (music).
#pragma once

#include <cstdint>

// First and last sound-effect slot of Channel.
constexpr int32_t kFirstEffectSlot = 20;
constexpr int32_t kLastEffectSlot = 255;

void PlaySFX(int32_t n, float rate = 1.0f, float vol = 1.0f, float pan = 0.0f);
// Cuts any music playing and plays `sound` on a fresh music channel.
void PlayMusic(int32_t sound);
// Marks badge b (1..15) as earned in this game, says so and plays the jingle.
void GiveBadge(int32_t b);
