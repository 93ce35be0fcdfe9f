#!/bin/sh
# Installs the build into a scratch prefix and builds a C client against what was installed,
# through pkg-config, as someone using the library would.
#   InstallTest.sh BUILD_DIR CLIENT_SOURCE
set -eu
build=$1
client=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
pc=$(find "$prefix" -name panelcast.pc)
test -n "$pc" || { echo "panelcast.pc not installed"; exit 1; }
test -f "$prefix/include/panelcast.h" || { echo "panelcast.h not installed"; exit 1; }

export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir panelcast)
test -f "$libdir/libpanelcast.so" || { echo "libpanelcast.so not in $libdir"; exit 1; }
cc -std=c11 -Wall -Wextra -pedantic -Werror $(pkg-config --cflags panelcast) "$client" \
   -o "$prefix/client" $(pkg-config --libs panelcast) -Wl,-rpath,"$libdir"
"$prefix/client"
