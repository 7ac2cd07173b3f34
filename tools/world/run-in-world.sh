#!/usr/bin/env bash
# Brings the service world of tools/world/world.sh up, runs a command inside
# its client namespace with the world's environment (the client's NORVANE_* values and
# NORVANE_WORLD_DIR, where the world keeps its logs, pid files and the simulator's change-IP
# log), and takes the world down again, also on failure and on Ctrl-C. The command runs
# offscreen unless QT_QPA_PLATFORM says otherwise, bounded by NORVANE_E2E_TIMEOUT seconds
# (default 600).
# Exit status: the command's; 77 (with the reason printed) where no world can be brought up,
# for example without root.
# Usage: run-in-world.sh [--sim norvane-service-sim] COMMAND [ARGUMENTS...]
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
world_script="$repo/tools/world/world.sh"
if [ "${1:-}" = "--sim" ]; then
    export NORVANE_SERVICE_SIM
    NORVANE_SERVICE_SIM=$(realpath "$2")
    shift 2
fi
[ $# -gt 0 ] || {
    echo "usage: run-in-world.sh [--sim norvane-service-sim] COMMAND [ARGUMENTS...]" >&2
    exit 2
}

if ! missing=$("$world_script" check); then
    echo "SKIP: the end-to-end world needs root, ip, openvpn, openssl and /dev/net/tun ($missing)"
    exit 77
fi

world=$(mktemp -d /tmp/norvane-e2e.XXXXXX)
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    if [ -e "$world/.norvane-world" ]; then
        "$world_script" down "$world" >/dev/null
    else
        rm -rf "$world"
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$world_script" up "$world" >/dev/null

set +e
"$world_script" exec "$world" env QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    timeout --kill-after=10 "${NORVANE_E2E_TIMEOUT:-600}" "$@"
rc=$?
set -e
if [ "$rc" -ne 0 ]; then
    for log in "$world/sim.log" "$world"/server-*.log "$world/helper.log" "$world"/dns-*.log "$world/home/Config"/*.log; do
        [ -f "$log" ] && { echo "== $log"; tail -n 30 "$log"; }
    done
fi
exit "$rc"
