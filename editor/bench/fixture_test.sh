#!/bin/sh
# The start-up benchmark's project is what the editor writes: made again by the fixture program,
# into a folder of its own, it gives the committed bytes.
#   fixture_test.sh FIXTURE_PROGRAM FIXTURES_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2/startup.png" "$work/"
"$1" "$work" > /dev/null
if ! cmp "$work/startup.spj" "$2/startup.spj"; then
  echo "startup.spj is not what the editor writes: run make_startup_project.py and commit it" >&2
  exit 1
fi
