#!/usr/bin/env bash
# Runs the OpenVPN integration test against a real openvpn server: a client and a service
# network namespace joined by a veth pair, a test CA and server certificate, an openvpn server
# on UDP 1194 and TCP 443 (local 198.51.100.1) that checks user/password with a script, and a
# change-IP listener on 198.18.0.1:9988. The test binary runs inside the client namespace.
# Everything is removed on exit, also on failure. Needs root; elsewhere the test reports a skip.
# Usage: run-netns-test.sh <test binary> <change-IP listener binary>
set -euo pipefail

test_binary=$(realpath "$1")
listener_binary=$(realpath "$2")

missing=""
[ "$(id -u)" -eq 0 ] || missing="not running as root"
for tool in ip openvpn openssl; do
    command -v "$tool" >/dev/null 2>&1 || missing="${missing:+$missing, }$tool not installed"
done
[ -c /dev/net/tun ] || missing="${missing:+$missing, }/dev/net/tun missing"
if [ -n "$missing" ]; then
    echo "SKIP: OpenVPN integration test needs root, ip, openvpn, openssl and /dev/net/tun ($missing)"
    exec "$test_binary"
fi

suffix=$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')
client_ns="nvc-$suffix"
service_ns="nvs-$suffix"
work=$(mktemp -d /tmp/norvane-ovpn-it.XXXXXX)

cleanup() {
    local rc=$?
    for ns in "$client_ns" "$service_ns"; do
        if ip netns list | grep -qw "$ns"; then
            ip netns pids "$ns" 2>/dev/null | xargs -r kill -TERM 2>/dev/null || true
        fi
    done
    sleep 0.5
    for ns in "$client_ns" "$service_ns"; do
        if ip netns list | grep -qw "$ns"; then
            ip netns pids "$ns" 2>/dev/null | xargs -r kill -KILL 2>/dev/null || true
            ip netns del "$ns" 2>/dev/null || true
        fi
    done
    if [ "$rc" -ne 0 ]; then
        for log in "$work"/server-*.log "$work"/home/Config/norvane_openvpn.log; do
            [ -f "$log" ] && { echo "== $log"; tail -n 30 "$log"; }
        done
    fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$client_ns"
ip netns add "$service_ns"
ip link add "vc$suffix" type veth peer name "vs$suffix"
ip link set "vc$suffix" netns "$client_ns"
ip link set "vs$suffix" netns "$service_ns"
ip -n "$client_ns" link set lo up
ip -n "$client_ns" addr add 192.0.2.2/24 dev "vc$suffix"
ip -n "$client_ns" link set "vc$suffix" up
ip -n "$client_ns" route add default via 192.0.2.1
ip -n "$service_ns" link set lo up
ip -n "$service_ns" addr add 192.0.2.1/24 dev "vs$suffix"
ip -n "$service_ns" link set "vs$suffix" up
ip -n "$service_ns" addr add 198.51.100.1/32 dev lo
ip -n "$service_ns" addr add 203.0.113.10/32 dev lo

# Test CA, server certificate, and a second CA that did not sign it.
cd "$work"
make_ca() {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
        -keyout "$1.key" -out "$1.crt" -subj "/CN=$2" 2>/dev/null
}
make_ca ca "Norvane Test VPN CA"
make_ca other-ca "Unrelated CA"
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr \
    -subj "/CN=vpn-server" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyAgreement\nextendedKeyUsage=serverAuth\n' > server.ext
openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext \
    -out server.crt 2>/dev/null

# The one account key the server accepts (OpenVPN receives it upper-cased).
account_key="itKey42abc"
cat > checker.sh <<CHECK
#!/bin/sh
user=\$(sed -n 1p "\$1")
pass=\$(sed -n 2p "\$1")
[ "\$user" = "$(echo "$account_key" | tr '[:lower:]' '[:upper:]')" ] && [ "\$user" = "\$pass" ]
CHECK
chmod 755 checker.sh
chmod 755 "$work"

write_server_config() { # name proto port network
    cat > "server-$1.conf" <<CONF
port $3
proto $2
local 198.51.100.1
dev tun
ca ca.crt
cert server.crt
key server.key
dh none
server $4 255.255.252.0
topology subnet
verify-client-cert none
script-security 2
auth-user-pass-verify $work/checker.sh via-file
username-as-common-name
comp-lzo
keepalive 4 16
data-ciphers AES-256-GCM:AES-256-CBC
tmp-dir $work
verb 3
CONF
}
write_server_config udp udp 1194 198.18.0.0
write_server_config tcp tcp-server 443 198.18.4.0
for name in udp tcp; do
    ip netns exec "$service_ns" openvpn --config "server-$name.conf" --cd "$work" --log "server-$name.log" \
        --daemon "norvane-it-$name" --writepid "server-$name.pid"
done

wait_for() { # seconds description command...
    local deadline=$((SECONDS + $1)) what=$2
    shift 2
    until "$@" >/dev/null 2>&1; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "FAIL: $what did not happen in time"
            return 1
        fi
        sleep 0.2
    done
}
wait_for 30 "UDP server tunnel up" sh -c "ip -n $service_ns -4 addr show | grep -q 'inet 198.18.0.1/'"
wait_for 30 "TCP server tunnel up" sh -c "ip -n $service_ns -4 addr show | grep -q 'inet 198.18.4.1/'"

ip netns exec "$service_ns" "$listener_binary" 198.18.0.1 9988 "$work/changeip.txt" &
wait_for 30 "change-IP listener ready" test -e "$work/changeip.txt.ready"

set +e
ip netns exec "$client_ns" env QT_QPA_PLATFORM=offscreen NORVANE_IT_DIR="$work" \
    NORVANE_IT_ACCOUNT_KEY="$account_key" NORVANE_IT_CHANGEIP_FILE="$work/changeip.txt" \
    timeout --kill-after=10 240 "$test_binary"
rc=$?
set -e
exit "$rc"
