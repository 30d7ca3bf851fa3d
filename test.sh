#!/usr/bin/env bash
# Installs what is missing, builds the program twice (Release, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), runs the whole test suite headless in each build, builds and
# checks the Debian package, then runs the fuzz targets briefly in a clang build of their own.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" --tests
"$top/scripts/build.sh" "$top/build/test-release" Release
"$top/scripts/build.sh" "$top/build/test-asan" RelWithDebInfo -DOZMIRA_SANITIZE=ON
status=0
"$top/scripts/headless.sh" ctest --test-dir "$top/build/test-release" --output-on-failure -j2 || status=1
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:suppressions=$top/tests/asan.supp" \
LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  "$top/scripts/headless.sh" ctest --test-dir "$top/build/test-asan" --output-on-failure -j2 || status=1
# The Debian package of the Release build just tested, checked and unpacked into a temporary root.
if deb=$("$top/scripts/package.sh" --build "$top/build/test-release" --out "$top/build/test-package"); then
  bash "$top/tests/scripts/package_test.sh" "$deb" || status=1
else
  status=1
fi
# Third stage: every fuzz target for a short while (scripts/fuzz.sh SECONDS runs them longer).
"$top/scripts/fuzz.sh" "${OZMIRA_FUZZ_SECONDS:-15}" || status=1
exit $status
