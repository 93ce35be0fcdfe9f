#!/usr/bin/env bash
# scripts/run configures only when the build folder is new or a CMake file changed: it runs in a
# copy of the scripts with a fake cmake on PATH that logs its calls, a setup that installs
# nothing and a corvane that only says it started.
#   run_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/scripts" "$tree/cmake" "$tree/editor" "$work/bin"
cp "$source_dir/scripts/run" "$source_dir/scripts/build" "$tree/scripts/"
printf '#!/bin/sh\n' > "$tree/scripts/setup"
chmod +x "$tree/scripts/setup"
touch "$tree/CMakeLists.txt" "$tree/CMakePresets.json" "$tree/cmake/Helpers.cmake" "$tree/editor/CMakeLists.txt"
log=$work/log
# What a configure and a build leave behind, as far as the scripts look.
cat > "$work/bin/cmake" <<FAKE
#!/bin/sh
echo "cmake \$*" >> "$log"
mkdir -p build/default/editor
case "\$1" in
  --preset) touch build/default/CMakeCache.txt build/default/build.ninja ;;
  --build) printf '#!/bin/sh\necho "corvane \$@" >> "$log"\n' > build/default/editor/corvane
           chmod +x build/default/editor/corvane ;;
esac
FAKE
chmod +x "$work/bin/cmake"
export PATH=$work/bin:$PATH

failures=0
# run_case NAME EXPECTED...: scripts/run with the argument "p", then the calls it made.
run_case() {
  local name=$1
  shift
  : > "$log"
  (cd "$work" && "$tree/scripts/run" p > /dev/null)
  local expected
  expected=$(printf '%s\n' "$@")
  if [[ "$(cat "$log")" != "$expected" ]]; then
    echo "FAILED: $name"
    echo "  expected: $(echo "$expected" | paste -sd '|')"
    echo "  got:      $(paste -sd '|' "$log")"
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
}
# A file made before the last configure: a second's step, as file times may be that coarse.
age() { touch -d '2000-01-01 00:00:00' "$@"; }
configure_and_build=("cmake --preset default" "cmake --build --preset default -j $(nproc)" "corvane p")
build_only=("cmake --build --preset default -j $(nproc)" "corvane p")

age "$tree"/CMakeLists.txt "$tree"/CMakePresets.json "$tree"/cmake/Helpers.cmake "$tree"/editor/CMakeLists.txt
run_case "no build folder: configure" "${configure_and_build[@]}"
run_case "built tree: no configure" "${build_only[@]}"
run_case "built tree again: no configure" "${build_only[@]}"
for changed in CMakeLists.txt editor/CMakeLists.txt cmake/Helpers.cmake CMakePresets.json; do
  touch "$tree/$changed"
  age "$tree/build/default/build.ninja"
  run_case "$changed changed: configure" "${configure_and_build[@]}"
  age "$tree/$changed"
done
# A CMake file inside the build folder is CMake's own, not a change.
touch "$tree/build/default/CMakeLists.txt"
run_case "a CMake file in the build folder: no configure" "${build_only[@]}"
rm "$tree/build/default/build.ninja"
run_case "configure that never finished: configure" "${configure_and_build[@]}"

if ((failures > 0)); then
  echo "$failures failed"
  exit 1
fi
echo "all passed"
