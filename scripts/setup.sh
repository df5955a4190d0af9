#!/usr/bin/env bash
# Installs every system package the build, the tools and the tests need, from Debian 12's own
# archive. Non-interactive and idempotent: when everything is present it changes nothing.
set -euo pipefail

packages=(
    # compilers and build tools
    g++ clang cmake ninja-build ccache pkg-config
    # the framework: CMake config, modules, juceaide and the VST3 SDK (pulls in its -dev deps)
    juce-modules-source libcurl4-gnutls-dev
    # tests, sanitizers, fuzzing, benchmarks
    libgtest-dev libbenchmark-dev libclang-rt-14-dev
    # the headless window tests, the loopback HTTPS test and network isolation
    xvfb xauth openssl python3 iproute2 util-linux
    # formatting
    clang-format
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
