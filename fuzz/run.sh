#!/usr/bin/env bash
# A bounded fuzz run over the committed seed corpus; fails on any finding.
#   fuzz/run.sh FUZZER SECONDS
set -euo pipefail
fuzzer=$1
seconds=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
# Reproducers outlive the run, so a CI failure can be replayed.
artifacts=${FUZZ_ARTIFACT_DIR:-$PWD/fuzz-artifacts}
mkdir -p "$artifacts"

log="$work/fuzz.log"
status=0
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work/corpus" "$here/corpus" >"$log" 2>&1 || status=$?

grep -E "^stat::|Done [0-9]+ runs" "$log" || true
if [ "$status" -ne 0 ]; then
    # The framework's debug assertions are noise here; the sanitizer's report is what matters.
    grep -v "^JUCE Assertion" "$log" | tail -n 80
    echo "fuzzing found a problem (exit $status)"
    for artifact in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
        [ -e "$artifact" ] && { echo "reproducer: $artifact"; xxd "$artifact" | head -n 20; }
    done
    exit 1
fi
