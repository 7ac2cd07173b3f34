#!/usr/bin/env bash
# Installs what the project needs on Debian 12 (only what is missing), then configures and
# builds into build/. Usage: tools/setup.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t packages < <(grep -v '^\s*#' tools/packages.txt | grep -v '^\s*$')
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

echo "== Configuring and building"
# Prefix /usr, the Debian package's: the program looks for its installed data under the prefix it
# was built for, so the package is made from this build (cpack). For a hand-made install
# elsewhere add -DCMAKE_INSTALL_PREFIX=/usr/local.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr "$@" >/dev/null
cmake --build build -j2
