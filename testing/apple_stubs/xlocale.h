// strtod_l from Apple's <xlocale.h> as documented in strtod_l(3); locale_t and newlocale come from
// <locale.h>, as on macOS. See README.md.
#pragma once
#include <locale.h>

extern "C" double strtod_l(const char* nptr, char** endptr, locale_t loc);
