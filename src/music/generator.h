// The music generator: composes endless music from a song rule file and the
// instrument samples in the game folder's "music/" folder, one 64-row pattern
// at a time, and plays it row by row from the frame pump.
//
// Tracks (pattern and player): 0 drums A, 1 drums B, 2 bass, 3 lead,
// 4 accompaniment. Rule sections (rule file and pickers): 0 drums, 1 chords,
// 2 bass, 3 melody, 4 accompaniment. The tables the generator shares with the
// rest of the game (QRDM_inst, QRDM_Pattern, QRDM_Set ...) are declared in
// startup/globals.h.
//
// Every draw of a song follows from its seed through the shared random
// generator, so one seed gives one song on every machine. Every operation
// returns 0, which no caller reads.
#pragma once

#include <cstdint>
#include <string>

// ---- song state ----------------------------------------------------------------------
// 1 while a song plays.
extern int32_t QRDM_Playing;
// Clock reading (MilliSecs) at which the next row is due.
extern int32_t QRDM_BeatAt;
// Milliseconds per row.
extern int32_t QRDM_Tempo;
extern int32_t QRDM_SongSeed;
// Patterns built since the song started, minus one (-1 before the first).
extern int32_t QRDM_SongAt;
// Pattern within the current song section, from 1 (-1 before the first).
extern int32_t QRDM_PatternAt;
// Row of the current pattern played last, 0 to 63 (-1 before the first).
extern int32_t QRDM_RowAt;
// Pan offset of the side tracks.
extern float QRDM_StereoSeperation;
// Chord line of the current song section: one note letter per 16 rows.
extern std::string QRDM_Chord;
// The current song section's lines for tracks 0 to 4.
extern std::string QRDM_DrumloopA;
extern std::string QRDM_DrumloopB;
extern std::string QRDM_BassBeat;
extern std::string QRDM_MelodyBeat;
extern std::string QRDM_MelodyBeatB;

// Rows in a pattern, and the grid's stride between tracks.
constexpr int32_t kQrdmRows = 64;
constexpr int32_t kQrdmTrackStride = 70;
constexpr int32_t kQrdmTracks = 5;
// Entries a rule section keeps; later entry lines are only counted.
constexpr int32_t kQrdmMaxEntries = 998;

// ---- instrument samples ------------------------------------------------------------------
// Loads the drum kits and the bass, lead and accompaniment variants from the
// game folder's "music/" folder. Run at every display opening.
int32_t QRDM_Load();

// ---- song rule files, song start and stop ---------------------------------------------------
// Reads a song rule file into QRDM_Set, QRDM_Many and QRDM_Stretch, after
// clearing every section's count and stretch mode. False (and nothing read)
// when no such file exists or it cannot be read to its end.
bool QRDM_ReadRules(const std::string& path);
// Starts the rules read last: seeds the song (-1 takes the clock), builds its
// first pattern and has its first row due a quarter second later. `tempo` is
// twice the milliseconds per row.
int32_t QRDM_StartSong(int32_t seed, int32_t tempo);
// Reads "music/" + name + ".ini" from the game folder and starts it. A missing
// file only clears the counts and stretch modes. Notes of a song that is still
// sounding ring on until the new song replaces them.
int32_t QRDM_NewSong(const std::string& name, int32_t seed, int32_t tempo);
// Ends the song and stops the generator's channels (Channel slots 0 to 19).
int32_t QRDM_Stop();
// Sets the stereo width of the side tracks for the notes started from now on.
int32_t QRDM_Pan(float separation);

// ---- pattern generation -------------------------------------------------------------------
// Builds the next pattern into QRDM_Pattern, starting a new song section when
// the current one has run its course.
int32_t QRDM_NextPattern();

// ---- line pickers -------------------------------------------------------------------------
// Each picks one entry of its rule section for the song section being started,
// reseeding the shared generator from the song seed, the song position and
// `offset`; all but the chord picker stretch it by the section's mode.
std::string QRDM_Chords(int32_t offset);
std::string QRDM_DrumLoop(int32_t offset);
std::string QRDM_BassRhythm(int32_t offset);
std::string QRDM_MelodyTune(int32_t offset);
std::string QRDM_AccompanyTune(int32_t offset);
// Puts a blank after every character, so that each lasts twice as many rows.
std::string QRDM_StretchLine(const std::string& line);

// ---- pattern player -----------------------------------------------------------------------
// Plays the row that is due, if any; called by the frame pump every frame.
int32_t QRDM_Play();

// ---- note values --------------------------------------------------------------------------
// The playback-rate factor of a note key (1.0 for "q", one key a semitone),
// 0.0 (a rest) for every other string.
float QRDM_NoteVal(const std::string& letter);
