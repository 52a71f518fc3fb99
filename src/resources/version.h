// The product's version, written here only. The version resources of the
// three programs and of the plug-in take it, as do the programs' manifests
// (CMakeLists.txt reads the three numbers from this file), the version the
// installer carries and compares (product.h), the Active Setup stamp and the
// download page's address. The Programs and Features entry shows the carried
// plug-in's, so this one too. The fourth number of the resources is 0.
// Preprocessor lines only: windres and CMake read this file as well.
#pragma once

#define PRODUCT_VERSION_MAJOR 1
#define PRODUCT_VERSION_MINOR 20
#define PRODUCT_VERSION_PATCH 0

// The texts, made from the numbers: a macro argument turned into a string
// keeps its words as written, "1.20.0.0" from 1.20.0.0.
#define PRODUCT_VERSION_WORDS(words) #words
#define PRODUCT_VERSION_FOUR(major, minor, patch, build)                                           \
    PRODUCT_VERSION_WORDS(major.minor.patch.build)
#define PRODUCT_VERSION_TWO(major, minor) PRODUCT_VERSION_WORDS(major.minor)
// "1.20.0.0": the version resources' texts.
#define PRODUCT_VERSION_TEXT                                                                       \
    PRODUCT_VERSION_FOUR(PRODUCT_VERSION_MAJOR, PRODUCT_VERSION_MINOR, PRODUCT_VERSION_PATCH, 0)
// "1.20": the version the download page is asked for.
#define PRODUCT_VERSION_SHORT PRODUCT_VERSION_TWO(PRODUCT_VERSION_MAJOR, PRODUCT_VERSION_MINOR)
