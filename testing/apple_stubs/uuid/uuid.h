// uuid_t as Apple's <uuid/uuid.h> takes it from <sys/_types/_uuid_t.h>; see ../README.md.
#pragma once
typedef unsigned char uuid_t[16];  // <sys/_types/_uuid_t.h>
