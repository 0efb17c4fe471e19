// The zone call of <malloc/malloc.h>; see README.md.
#pragma once
#include <stddef.h>

typedef struct _malloc_zone_t malloc_zone_t;  // <malloc/malloc.h>

extern "C" size_t malloc_zone_pressure_relief(malloc_zone_t* zone, size_t goal);  // <malloc/malloc.h>
