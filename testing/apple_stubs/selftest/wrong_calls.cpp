// Calls that do not match Apple's documented prototypes: the syntax check must refuse every one.
// expect: no matching function for call to 'getmntinfo_r_np'
// expect: no known conversion from 'const char *' to 'CFStringRef'
// expect: no member named 'f_mntpoint' in 'statfs'
#include <CoreFoundation/CoreFoundation.h>
#include <sys/mount.h>

int wrongArity() {
  struct statfs* mounts = nullptr;
  return getmntinfo_r_np(&mounts);
}

long wrongType(CFMutableStringRef text) { return CFStringGetLength(reinterpret_cast<const char*>(text)); }

const char* wrongField(const struct statfs& m) { return m.f_mntpoint; }
