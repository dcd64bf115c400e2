#include "framework/globals.h"

int32_t SkipDraw = 0;
int32_t PreBlend = 0;
float fwf = 0.0f, fhf = 0.0f, faf = 0.0f, fgf = 0.0f;

int32_t Frametook = 0;
int32_t frameavg = 0;
int32_t FramesPerSec = 0;
int32_t UseFPS = 0;

int32_t DebugMode = 1;
int32_t fc = 0;
int32_t InGame = 0;
int32_t mx = 0, my = 0, wx = 0, wy = 0;

int32_t MusicChannel = 0;

int32_t fr = 0, fh = 0, fg = 0, fp = 0;
int32_t fn = 0;
