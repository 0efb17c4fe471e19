// mbr_uid_to_uuid(3); see README.md.
#pragma once
#include <sys/types.h>
#include <uuid/uuid.h>

extern "C" int mbr_uid_to_uuid(uid_t uid, uuid_t uu);  // <membership.h>
