#!/usr/bin/env bash
# Sets everything up, builds and runs every test. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/linecount.sh
echo "== Running the tests"
ctest --test-dir build --output-on-failure -j2 --timeout 600

# CI (as root) also makes the Debian package and installs and purges it in a fresh Debian 12
# chroot, the installed program connecting in the service world (tools/packagetest.sh).
if [ "${CI:-}" = "true" ] && [ "$(id -u)" -eq 0 ]; then
    tools/packagetest.sh
fi

# CI also runs everything again under the sanitizers; locally: NORVANE_TEST_SANITIZERS=1.
if [ "${CI:-}" = "true" ] || [ "${NORVANE_TEST_SANITIZERS:-0}" = "1" ]; then
    tools/sanitize.sh
fi
