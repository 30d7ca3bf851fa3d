#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build/release" Release -DOZMIRA_TESTS=OFF
exec "$top/build/release/ozmira" "$@"
