#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only the loopback interface up: the
# tests' servers on 127.0.0.1 work, and nothing a test does can reach beyond this machine (the
# window's version check names the maker's web host). An X server for the window tests is started
# inside the same namespace, since X's abstract socket does not cross namespaces.
#
#   scripts/offline.sh [--display] COMMAND [ARGS...]
set -euo pipefail

with_display=0
if [ "${1:-}" = "--display" ]; then
    with_display=1
    shift
fi

inner=$(cat <<'INNER'
set -euo pipefail
ip link set lo up
# Tests that open the real window (whose version check names the maker's web host) run only
# when they see this.
export SKYLORN_OFFLINE=1
if [ "$SKYLORN_WITH_DISPLAY" = 1 ]; then
    # Xvfb picks a free display number itself and reports it on the given descriptor.
    display_file=$(mktemp)
    # -noreset: a server that regenerates between two test processes can leave the next one
    # hanging in its first connection.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$display_file"' EXIT
    for _ in $(seq 1 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '[:space:]' < "$display_file")"
fi
"$@"
INNER
)

if [ "$(id -u)" -eq 0 ]; then
    unshare_flags=(-n)
else
    unshare_flags=(-r -n)
fi

SKYLORN_WITH_DISPLAY=$with_display exec unshare "${unshare_flags[@]}" bash -c "$inner" offline "$@"
