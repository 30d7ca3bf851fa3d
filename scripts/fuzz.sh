#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the libFuzzer targets (clang, ASan + UBSan) in build/fuzz and
# runs each for SECONDS (default 30), starting from its checked-in corpus. Inputs that
# crash, leak or time out are kept in build/fuzz/findings/; any of them fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
dir=$top/build/fuzz
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOZMIRA_FUZZ=ON -DOZMIRA_TESTS=OFF
fi
ninja -C "$dir" -j"$(nproc)" ozmira_fuzzers

declare -A dict=([ini]=ini.dict [json]=json.dict [xlsx]=xml.dict [translate]=translate.dict
                [sync]=paths.dict [coordinates]=paths.dict)
findings=$dir/findings
mkdir -p "$findings"
status=0
for target in ini json encoding xlsx image http token translate sync coordinates; do
  work=$dir/corpus/$target  # what this run adds; the seeds stay as checked in
  mkdir -p "$work"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/$target-")
  [ -n "${dict[$target]:-}" ] && args+=(-dict="$top/tests/fuzz/dict/${dict[$target]}")
  log=$dir/$target.log
  if "$dir/tests/fuzz/fuzz_$target" "${args[@]}" "$work" "$top/tests/fuzz/corpus/$target" >"$log" 2>&1; then
    summary=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+|exec/s: [0-9]+' | tr '\n' ' ')
    echo "fuzz_$target: ok, $summary"
  else
    echo "fuzz_$target: FAILED (input kept in $findings, log in $log)" >&2
    grep -E 'ERROR|SUMMARY|fails for|read back|changed|took out' "$log" | head -5 >&2
    status=1
  fi
done
exit $status
