#!/usr/bin/env sh
# docs/platform.md must name every file of src/platform/: each by the name before its _apple, _linux or
# _posix suffix, written in backquotes (`unicode_*.cpp`, `mount_info.cpp`).
cd "$(dirname "$0")/.." || exit 2
missing=0
for f in src/platform/*.cpp src/platform/*.mm; do
  [ -e "$f" ] || continue
  stem=$(basename "$f" | sed -E 's/_(apple|linux|posix)[.](cpp|mm)$//; s/[.]cpp$//')
  if ! grep -q "\`$stem" docs/platform.md; then
    echo "docs/platform.md does not name $f"
    missing=1
  fi
done
[ "$missing" = 0 ] && echo "ok    docs/platform.md names every platform file"
exit $missing
