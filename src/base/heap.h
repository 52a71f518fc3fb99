// Blocks of the process heap, for texts and bytes whose size is known only
// when the program runs.
#pragma once
#include <windows.h>

// size bytes of the process heap; null when there are none.
void* HeapBytes(SIZE_T size);
// Gives the block back; a null one is nothing to give.
void FreeHeapBytes(void* bytes);
