// Telling a 64-bit Windows program from the first bytes of its file.
#pragma once
#include <cstddef>

// How much of a program file the test reads.
const int ProgramHeadSize = 4096;

// True for an MZ image whose PE header, read within the bytes given, names an
// x64 or IA-64 machine or a PE32+ optional header. The header must start more
// than 264 bytes before the end of what was read; a header offset that is
// negative as a signed number fails the test.
bool IsPe64Image(const unsigned char* bytes, size_t count);
