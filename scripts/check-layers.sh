#!/usr/bin/env bash
# Keeps the layers pointing one way. Each folder of src/ and include/corvane/ is a layer:
#   base < model < formats < platform < discovery < analysis < removal < history < orphans < trash < uninstall < report
# A file may include headers of its own layer and of the layers below it, never above, and never
# through a relative path (".."). The layers below the platform (base, model, formats) include no
# system header: only the C++ standard library (and the JSON and XML libraries they are built on).
#
#   check-layers.sh [ROOT]                    checks every file of the tree at ROOT (default: the checkout)
#   check-layers.sh --probe CXX FOREST        shows that the build refuses an upward include: for each layer,
#                                             a file including a header of the layer above compiles only
#                                             with that layer's include root (FOREST/<layer>), not its own
set -uo pipefail
layers=(base model formats platform discovery analysis removal history orphans trash uninstall report)
rank() { local i; for i in "${!layers[@]}"; do [[ ${layers[i]} == "$1" ]] && { echo "$i"; return; }; done; echo -1; }

if [[ ${1:-} == --probe ]]; then
  cxx=$2 forest=$3
  probes=(corvane/base/result.h corvane/model/layout.h corvane/formats/property_list.h platform/fs_ops.h
          corvane/discovery/command_runner.h corvane/analysis/match_engine.h corvane/removal/removal_plan.h
          corvane/history/history_store.h corvane/orphans/orphan_scanner.h corvane/trash/leftover_row.h corvane/uninstall/uninstall_session.h report/json_dialect.h)
  tmp=$(mktemp -d) || exit 1
  trap 'rm -rf "$tmp"' EXIT
  status=0
  for ((i = 0; i + 1 < ${#layers[@]}; ++i)); do
    low=${layers[i]} high=${layers[i + 1]} header=${probes[i + 1]}
    printf '#include "%s"\n' "$header" >"$tmp/probe.cpp"
    if "$cxx" -std=c++20 -fsyntax-only -I "$forest/$low" "$tmp/probe.cpp" 2>/dev/null; then
      echo "FAIL: $low can include $header"; status=1
    elif ! "$cxx" -std=c++20 -fsyntax-only -I "$forest/$high" "$tmp/probe.cpp" 2>"$tmp/err"; then
      echo "FAIL: $header does not compile in its own layer $high:"; cat "$tmp/err"; status=1
    else
      echo "ok: $low cannot include $header ($high)"
    fi
  done
  exit $status
fi

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
status=0
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  for dir in "$root/src/$layer" "$root/include/corvane/$layer"; do
    [[ -d $dir ]] || continue
    while IFS= read -r hit; do
      file=${hit%%:*} rest=${hit#*:} line=${rest%%:*} text=${rest#*:}
      where="${file#"$root"/}:$line"
      if [[ $text =~ \#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
        target=${BASH_REMATCH[1]}
        if [[ $target == *..* ]]; then echo "$where: relative include \"$target\""; status=1; continue; fi
        first=${target%%/*}
        [[ $first == corvane ]] && { rest2=${target#corvane/}; first=${rest2%%/*}; }
        other=$(rank "$first")
        if ((other > own)); then echo "$where: $layer includes \"$target\" from ${layers[other]}"; status=1; fi
      elif ((own <= 2)) && [[ $text =~ \#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
        target=${BASH_REMATCH[1]}
        case $target in
          nlohmann/*|expat.h) ;;
          *.h|*/*) echo "$where: $layer includes the system header <$target>"; status=1 ;;
        esac
      fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$dir" --include='*.h' --include='*.cpp' --include='*.mm')
  done
done
((status == 0)) && echo "layers: no upward include"
exit $status
