#!/usr/bin/env bash
# build.sh DIR TYPE [extra cmake args]: configures once, then builds incrementally.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; type=$2; shift 2
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
fi
ninja -C "$dir" -j"$(nproc)"
