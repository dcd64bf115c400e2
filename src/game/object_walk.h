// Every moving thing of the room takes its turn: it meets the terrain, moves, is drawn and hits or is hit.
#pragma once

void ScanObjects();
