// The editor's preview of the chosen item under the pointer, placed with the left button and erased with the right.
#pragma once

void EditPlace();
