#!/usr/bin/env bash
# Type-checks the macOS-only files on any machine with clang: each is compiled with -fsyntax-only, warnings
# (conversions among them) as errors, against the declarations in testing/apple_stubs (copied from Apple's
# headers and compared with them by check-apple-stubs.py; see the README there), the Objective-C++ file with
# and without ARC.
#
#   apple-syntax-check.sh                   every macOS-only file in src/platform, and the shared files
#                                           that take a macOS-only header there
#   apple-syntax-check.sh FILE...           the given files
#   apple-syntax-check.sh --must-fail FILE...
#                                           each file must be refused, with the compiler message that its
#                                           "// expect: ..." lines name (how the check itself is tested)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
compiler=${CLANGXX:-clang++}
command -v "$compiler" >/dev/null 2>&1 || { echo "apple-syntax-check: $compiler not found"; exit 2; }

mustFail=0
if [[ "${1:-}" == "--must-fail" ]]; then
  mustFail=1
  shift
fi
if (($#)); then
  files=("$@")
else
  files=("$root"/src/platform/*_apple.cpp "$root"/src/platform/*_apple.mm)
fi

common=(-std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
        -Wundef -Werror -D_DARWIN_C_SOURCE
        -isystem "$root/testing/apple_stubs" -I "$root/src" -I "$root/include")
failed=0
for file in "${files[@]}"; do
  [[ -f "$file" ]] || { echo "FAIL  $file: no such file"; failed=1; continue; }
  if [[ "$file" == *.mm ]]; then
    variants=("-x objective-c++ -fobjc-runtime=macosx-14.0 -fobjc-arc"
              "-x objective-c++ -fobjc-runtime=macosx-14.0 -fno-objc-arc")
  else
    variants=("-x c++")
  fi
  for variant in "${variants[@]}"; do
    # shellcheck disable=SC2086
    output=$("$compiler" $variant "${common[@]}" "$file" 2>&1)
    status=$?
    name=${file#"$root"/}
    if ((mustFail)); then
      missing=""
      while IFS= read -r expected; do
        [[ "$output" == *"$expected"* ]] || missing+="  missing message: $expected"$'\n'
      done < <(sed -n 's|^// expect: ||p' "$file")
      if ((status == 1)) && [[ -z "$missing" ]] && grep -q '^// expect: ' "$file"; then
        echo "ok    $name $variant is refused"
      else
        echo "FAIL  $name $variant was not refused as expected (status $status)"
        printf '%s' "$missing"
        echo "$output"
        failed=1
      fi
    elif ((status == 0)); then
      echo "ok    $name $variant"
    else
      echo "FAIL  $name $variant"
      echo "$output"
      failed=1
    fi
  done
done
exit $failed
