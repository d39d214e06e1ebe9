#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing, quietly), then
# configures and builds. Usage: scripts/setup.sh [--sanitize] [--fuzz] [--debug]
#   default     Release build in build/
#   --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   --fuzz      clang build with the libFuzzer targets in build-fuzz/
#   --debug     Debug build in build-debug/
#   --programs  only the programs run.sh starts (Vexilo, vexilo-cli and what they load), not
#               the tests and benchmarks
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(build-essential cmake ninja-build pkg-config zlib1g-dev libpcre2-dev libgtest-dev
          libbenchmark-dev qt6-base-dev qt6-webengine-dev qt6-webchannel-dev
          libqt6webenginecore6-bin qt6-translations-l10n xvfb xauth fonts-noto-cjk tzdata
          libcli11-dev dpkg-dev file)
build_dir=$top/build
cmake_args=(-DCMAKE_BUILD_TYPE=Release)
targets=()
for arg in "$@"; do
    case $arg in
    --programs) targets=(Vexilo Sortwell Wordlens combine crunchbox vexilo-cli sievra ui glint genlog
                           vexilo_res vexilo_manual) ;;
    --sanitize) build_dir=$top/build-asan
                cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXILO_SANITIZE=ON -DVEXILO_BENCH=OFF) ;;
    --fuzz)     build_dir=$top/build-fuzz; packages+=(clang libclang-rt-14-dev)
                cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXILO_FUZZ=ON
                            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
    --debug)    build_dir=$top/build-debug; cmake_args=(-DCMAKE_BUILD_TYPE=Debug) ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    echo "Installing ${missing[*]} ..."
    log=$(mktemp)
    if ! { $sudo apt-get update -qq &&
           DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } >"$log" 2>&1; then
        cat "$log" >&2; rm -f "$log"; echo "setup.sh: package installation failed" >&2; exit 1
    fi
    rm -f "$log"
fi

# VEXILO_WERROR=ON (CI sets it) makes every warning an error.
cmake_args+=(-DVEXILO_WERROR="${VEXILO_WERROR:-OFF}")
cmake -S "$top" -B "$build_dir" -G Ninja "${cmake_args[@]}" >/dev/null
echo "Building in ${build_dir#$top/}/ ..."
ninja -C "$build_dir" -j"${VEXILO_JOBS:-2}" --quiet "${targets[@]}"
