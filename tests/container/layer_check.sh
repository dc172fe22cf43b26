#!/usr/bin/env bash
# Fails when a file of the container engine includes a header of a layer
# above its own: volume <- store <- stream <- facade (src/container/*.h).
# Usage: layer_check.sh <repository root>
set -uo pipefail
src="$1/src/container"
status=0
# check <layer folder> <pattern of include paths it must not use>
check() {
  local hits
  hits=$(grep -nE "#include \"($2)" "$src/$1"/*.h "$src/$1"/*.cpp 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$1 includes a layer above it:"
    echo "$hits"
    status=1
  fi
}
facade='container/[a-z_]+\.h'
check volume "container/store/|container/stream/|$facade"
check store "container/stream/|$facade"
check stream "$facade"
[ "$status" -eq 0 ] && echo "every include of the container layers points down"
exit "$status"
