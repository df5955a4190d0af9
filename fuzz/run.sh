#!/usr/bin/env bash
# A bounded fuzz run over the committed seed corpus; fails on any finding and keeps its reproducer.
#   fuzz/run.sh FUZZER SECONDS [libFuzzer options, e.g. -jobs=4 -workers=4]
set -euo pipefail
fuzzer=$1 seconds=$2 corpus=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/corpus work=$(mktemp -d)
shift 2
trap 'rm -rf "$work"' EXIT
mkdir -p "${FUZZ_ARTIFACT_DIR:=$PWD/fuzz-artifacts}" "$work/corpus"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$FUZZ_ARTIFACT_DIR/" "$@" "$work/corpus" "$corpus" >"$work/log" 2>&1 && status=0 || status=$?
grep -E "^stat::|Done [0-9]+ runs" "$work/log" || true
if [ "$status" -ne 0 ]; then
    grep -v "^JUCE Assertion" "$work/log" | tail -n 80
    echo "fuzzing found a problem (exit $status); reproducers in $FUZZ_ARTIFACT_DIR" && exit 1
fi
