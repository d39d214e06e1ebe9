#!/usr/bin/env bash
# Builds everything and runs every test. Options as scripts/setup.sh (--sanitize, ...).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$top/scripts/setup.sh" "$@"
build_dir=$top/build
case " $* " in
*" --sanitize "*) build_dir=$top/build-asan ;;
*" --fuzz "*) build_dir=$top/build-fuzz ;;
*" --debug "*) build_dir=$top/build-debug ;;
esac
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 600
