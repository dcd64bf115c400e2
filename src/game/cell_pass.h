// The room's cells drawn and brought to life, half by half and layer by layer, with the editor's faded copy of each layer in the overview.
#pragma once

void CellPass();
