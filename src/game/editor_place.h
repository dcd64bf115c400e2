// The editor's preview of the chosen item under the pointer, placed with the left button and erased with the right.
#pragma once

// The last step of a cell's visit in the cell pass: only the cell under the
// pointer on the edited layer, in the editor overview, gets past its test.
void EditPlace();
