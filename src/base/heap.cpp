#include "base/heap.h"

void* HeapBytes(SIZE_T size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void FreeHeapBytes(void* bytes) {
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
}
