// Reading a ProductVersion text ("1.20.0.0", "1, 20, 0, 4", "1 20 5").
#pragma once
#include <cstdint>

struct ProductVersionNumbers {
    int major;
    int minor;
    int patch;
    int build;
};

// Parses the text into numbers (0 where a number is missing) and returns the
// packed comparison value ((major * 256 + minor) * 256 + patch, as far as the
// text gives them). Components of 256 or more carry into the next byte; the
// value wraps around modulo 2^32.
uint32_t ParseProductVersion(const char* text, ProductVersionNumbers* numbers);

// True when version a is more recent than b, number by number from the major
// one (the packed value depends on how many numbers a text gives).
bool IsNewerVersion(const ProductVersionNumbers& a, const ProductVersionNumbers& b);
