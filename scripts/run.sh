#!/usr/bin/env bash
# Builds the plug-in, installs it where Linux hosts look for VST3 plug-ins (~/.vst3), and runs it
# through our own host: first what a host sees of it, then a few seconds of a test signal rendered
# through it into a WAV file.
#
#   scripts/run.sh [OUT.wav]      (default: out/skylorn-demo.wav)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target Skylorn_VST3 skylorn-host

bundle="$build/Skylorn_artefacts/Release/VST3/Skylorn.vst3"
mkdir -p "$HOME/.vst3"
rm -rf "$HOME/.vst3/Skylorn.vst3"
cp -R "$bundle" "$HOME/.vst3/"
echo "Installed $HOME/.vst3/Skylorn.vst3"
echo

host="$build/tools/host/skylorn-host"
"$host" info "$HOME/.vst3/Skylorn.vst3"
echo

out=${1:-out/skylorn-demo.wav}
mkdir -p "$(dirname "$out")"
"$host" render "$out" --bundle "$HOME/.vst3/Skylorn.vst3" --set topValue=80 --set midValue=40 --set gain=150
