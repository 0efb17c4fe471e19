// uuid_t as documented in uuid(3); see ../README.md.
#pragma once
typedef unsigned char uuid_t[16];
