#!/usr/bin/env bash
# Builds everything (as scripts/setup.sh does) and makes the Debian package with CPack:
# build/package/vexilo_<version>_<arch>.deb. Its dependencies are the Debian packages of the
# libraries the programs link (dpkg-shlibdeps). Install it with apt-get install ./<file>.deb.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
cd "$top/build"
cpack --config CPackConfig.cmake >/dev/null
ls "$top"/build/package/vexilo_*.deb
