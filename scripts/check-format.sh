#!/usr/bin/env bash
# Checks that every C++ file of the tree is formatted as .clang-format says (CI runs this);
# with --fix formats them instead. Installs Debian's clang-format when it is missing.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
if ! command -v clang-format >/dev/null; then
    sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq clang-format >/dev/null
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/vexilo-format.$$; then
    grep -o '^[^:]*:[0-9]*' /tmp/vexilo-format.$$ | sort -u -t: -k1,1 | head -n 20 >&2
    rm -f /tmp/vexilo-format.$$
    echo "check-format: these files are not formatted; scripts/check-format.sh --fix formats them" >&2
    exit 1
fi
rm -f /tmp/vexilo-format.$$
echo "check-format: ${#files[@]} files formatted"
