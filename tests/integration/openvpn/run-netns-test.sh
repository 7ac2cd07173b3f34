#!/usr/bin/env bash
# Runs the OpenVPN integration test against a real openvpn server in the service world of
# tools/world/world.sh (client and service network namespaces, a test CA, openvpn servers on
# UDP 1194 and TCP 443 at 198.51.100.1 that check user/password with the simulator, and the
# simulator's change-IP listener on 198.18.0.1:9988). The test binary runs inside the client
# namespace. Everything is removed on exit, also on failure. Needs root; elsewhere the test
# reports a skip.
# Usage: run-netns-test.sh <test binary> <norvane-service-sim binary>
set -euo pipefail

test_binary=$(realpath "$1")
world_script=$(realpath "$(dirname "$0")/../../../tools/world/world.sh")
export NORVANE_SERVICE_SIM
NORVANE_SERVICE_SIM=$(realpath "$2")

if ! missing=$("$world_script" check); then
    echo "SKIP: OpenVPN integration test needs root, ip, openvpn, openssl and /dev/net/tun ($missing)"
    exec "$test_binary"
fi

work=$(mktemp -d /tmp/norvane-ovpn-it.XXXXXX)
world="$work/world"
cleanup() {
    local rc=$?
    [ -d "$world" ] && "$world_script" down "$world" >/dev/null
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A lower-case account key: OpenVPN must receive it upper-cased, the change-IP message as stored.
account_key="itKey42abc"
NORVANE_WORLD_ACCOUNT="$account_key:it-user" "$world_script" up "$world" >/dev/null

# The world's VPN CA, and a second CA that did not sign the server's certificate.
cp "$world/pki/ca.crt" "$work/ca.crt"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -keyout "$work/other-ca.key" -out "$work/other-ca.crt" -subj "/CN=Unrelated CA" 2>/dev/null

set +e
"$world_script" exec "$world" env QT_QPA_PLATFORM=offscreen NORVANE_IT_DIR="$work" \
    NORVANE_IT_ACCOUNT_KEY="$account_key" NORVANE_IT_CHANGEIP_FILE="$world/sim/change-ip.log" \
    timeout --kill-after=10 240 "$test_binary"
rc=$?
set -e
if [ "$rc" -ne 0 ]; then
    for log in "$world"/server-*.log "$world/sim.log" "$work/home/Config/norvane_openvpn.log"; do
        [ -f "$log" ] && { echo "== $log"; tail -n 30 "$log"; }
    done
fi
exit "$rc"
