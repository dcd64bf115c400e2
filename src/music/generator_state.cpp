// The song position and lines every part of the music generator shares.
#include "music/generator.h"

int32_t QRDM_Playing = 0;
int32_t QRDM_BeatAt = 0;
int32_t QRDM_Tempo = 0;
int32_t QRDM_SongSeed = 0;
int32_t QRDM_SongAt = 0;
int32_t QRDM_PatternAt = 0;
int32_t QRDM_RowAt = 0;
float QRDM_StereoSeperation = 0.0f;
std::string QRDM_Chord;
std::string QRDM_DrumloopA;
std::string QRDM_DrumloopB;
std::string QRDM_BassBeat;
std::string QRDM_MelodyBeat;
std::string QRDM_MelodyBeatB;
