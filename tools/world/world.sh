#!/usr/bin/env bash
# The service world: the Norvane service side in two network namespaces, for the demo, the
# OpenVPN integration test and the end-to-end tests.
#
#   client namespace  nvc-<random>  192.0.2.2/24 and 2001:db8::2/64, default route via 192.0.2.1;
#                                   resolv.conf (/etc/netns/nvc-<random>/resolv.conf, which
#                                   `ip netns exec` mounts over /etc/resolv.conf) names 192.0.2.1
#   service namespace nvs-<random>  192.0.2.1/24 and 2001:db8::1/64; on lo 198.51.100.1 (VPN
#                                   server) and 203.0.113.10 (API)
#   - two recording DNS servers (dnsmasq, every query logged with the asking address): the
#     "local" resolver on 192.0.2.1 and 2001:db8::1 (dns-local.log) and the one the VPN servers
#     push on 198.18.0.1 (dns-pushed.log); both answer every name under norvane.test
#   - norvane-service-sim: HTTPS API on 203.0.113.10:443 with its own generated CA, the
#     catalog, one account, change-IP listeners on 198.18.0.1:9988 and 198.18.4.1:9988 (bound
#     before the tunnels exist), getRequestEntityIp answering the peer's address, and for the
#     tunnel pool 198.18.0.0/21 the exit address 203.0.113.77 (a new one after each change-IP
#     message)
#   - openvpn servers on 198.51.100.1: UDP 1194 (tunnel 198.18.0.0/22, server side 198.18.0.1)
#     and TCP 443 (198.18.4.0/22, server side 198.18.4.1); the test CA of servicesim/vpnca
#     signs their certificate;
#     user and password are checked by the simulator binary (--check-credentials)
#   - in the client namespace: a private system bus (dbus-daemon with the system bus's default
#     policy and the helper's shipped policy file), a polkit stand-in that allows every call, and
#     norvane-helper as root. The window runs as an unprivileged user: home/ belongs to
#     NORVANE_WORLD_USER (default nobody), and `exec-user` runs a command as that user.
# Nothing is routed out of the two namespaces.
#
# Usage (root):
#   world.sh check              say what is missing to bring a world up (exit 1 when something is)
#   world.sh up [DIR]           bring a world up in DIR (default: a new /tmp/norvane-world.XXXXXX);
#                               prints DIR as the last line. A failed or interrupted start removes
#                               everything again.
#   world.sh down DIR           stop the world's processes, delete its namespaces, remove DIR
#   world.sh exec DIR CMD...    run CMD in the client namespace with the world's environment
#   world.sh exec-user DIR CMD...   the same as the unprivileged user (setpriv, no capabilities)
#   world.sh exec-service DIR CMD...   run CMD in the service namespace
#   world.sh env DIR            print the client's environment (NAME=value, shell-quoted)
#   world.sh stop-server DIR udp|tcp    end one OpenVPN server (a dropped tunnel)
#   world.sh start-server DIR udp|tcp   start it again and wait for its tunnel device
#   world.sh client-settings FILE [0|1]   write the client's settings file (auto-connect 0 or 1)
#   world.sh stop-sim DIR               end the simulator (the API is down)
#   world.sh start-sim DIR [OPTION...]  start it again, with simulator options such as --slow MS,
#                                       --malformed or --http-error STATUS (an API fault)
#
# Files in DIR: world.env (the client's NORVANE_* values), world.conf (namespace names),
# pki/ (VPN CA, server certificate), dns-{local,pushed}.{log,pid}, sim/ (the simulator's data:
# tls/ca.crt, accounts.txt, change-ip.log), sim.args, sim.log, auth-delay (optional: seconds the
# servers hold each authentication back), server-udp.{conf,log,pid}, server-tcp.*, home/ (client's NORVANE_HOME),
# bus/ (the private system bus's configuration and socket), polkit.log, helper.log, helper-run/
# (the helper's root-owned runtime folder).
#
# Environment:
#   NORVANE_SERVICE_SIM    simulator binary (default: build/bin/norvane-service-sim of this tree);
#                          norvane-helper and norvane-polkit-standin are taken from its folder
#   NORVANE_WORLD_USER     the unprivileged user the window runs as (default nobody)
#   NORVANE_WORLD_ACCOUNT  the account, KEY[:user[:email]] (default DEMO-7F3K-92QX:demo)
#   NORVANE_WORLD_CATALOG  server catalog (default: the simulator's built-in catalog path)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

readonly API_ADDRESS=203.0.113.10
readonly VPN_ADDRESS=198.51.100.1
readonly CLIENT_ADDRESS=192.0.2.2
readonly SERVICE_ADDRESS=192.0.2.1
readonly CLIENT_ADDRESS6=2001:db8::2 SERVICE_ADDRESS6=2001:db8::1
readonly UDP_NETWORK=198.18.0.0 UDP_SERVER_SIDE=198.18.0.1
readonly TCP_NETWORK=198.18.4.0 TCP_SERVER_SIDE=198.18.4.1
readonly TUNNEL_POOL=198.18.0.0/21
readonly EXIT_ADDRESS=203.0.113.77
# The point-to-point connection's fixed credential: the VPN servers accept it too.
readonly PTP_CREDENTIAL=7c2a41e8-5d93-4b06-9f1e-3a8b6d20c457
readonly MARKER=.norvane-world

say() { echo "world: $*"; }
die() {
    echo "world: $*" >&2
    exit 1
}

missing_prerequisites() {
    local missing=""
    [ "$(id -u)" -eq 0 ] || missing="not running as root"
    for tool in ip openvpn openssl setsid setpriv dbus-daemon dnsmasq nft; do
        command -v "$tool" >/dev/null 2>&1 || missing="${missing:+$missing, }$tool not installed"
    done
    [ -c /dev/net/tun ] || missing="${missing:+$missing, }/dev/net/tun missing"
    echo "$missing"
}

# Loads world.conf of an existing world directory.
load_world() {
    world=${1:?world directory missing}
    [ -f "$world/$MARKER" ] || die "$world is not a world directory"
    # shellcheck source=/dev/null
    . "$world/world.conf"
}

wait_for() { # seconds description command...
    local deadline=$((SECONDS + $1)) what=$2
    shift 2
    until "$@" >/dev/null 2>&1; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "world: $what did not happen in time" >&2
            return 1
        fi
        sleep 0.2
    done
}

# True while pid runs the program named comm (the kernel's 15-character process name).
runs() { # pid comm
    [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

# Ends one recorded process: TERM, then KILL after 5 seconds.
stop_recorded() { # pid-file comm
    local pid
    pid=$(cat "$1" 2>/dev/null || true)
    runs "$pid" "$2" || return 0
    kill -TERM "$pid" 2>/dev/null || true
    local deadline=$((SECONDS + 5))
    while runs "$pid" "$2" && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
    if runs "$pid" "$2"; then
        kill -KILL "$pid" 2>/dev/null || true
    fi
}

# Ends what else runs inside a namespace of ours (a client, its openvpn): by pid, TERM then KILL.
stop_namespace_processes() { # namespace
    ip netns list 2>/dev/null | grep -qw "$1" || return 0
    local pids
    pids=$(ip netns pids "$1" 2>/dev/null || true)
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null || true
    local deadline=$((SECONDS + 5))
    while [ -n "$(ip netns pids "$1" 2>/dev/null)" ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
    pids=$(ip netns pids "$1" 2>/dev/null || true)
    # shellcheck disable=SC2086
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
}

cmd_down() {
    load_world "$1"
    say "taking the world down ($client_ns, $service_ns)"
    stop_recorded "$world/sim.pid" norvane-service
    stop_recorded "$world/helper.pid" norvane-helper
    stop_recorded "$world/polkit.pid" norvane-polkit-
    stop_recorded "$world/bus.pid" dbus-daemon
    for name in local pushed; do
        stop_recorded "$world/dns-$name.pid" dnsmasq
    done
    for name in udp tcp; do
        stop_recorded "$world/server-$name.pid" openvpn
    done
    for ns in "$client_ns" "$service_ns"; do
        stop_namespace_processes "$ns"
        if ip netns list | grep -qw "$ns"; then
            ip netns del "$ns"
        fi
    done
    # A start that failed before the pair moved into the namespaces leaves it here.
    ip link del "vc$suffix" 2>/dev/null || true
    rm -rf "/etc/netns/$client_ns"
    rm -rf "$world"
}

write_server_config() { # name proto port network
    cat >"$world/server-$1.conf" <<CONF
port $3
proto $2
local $VPN_ADDRESS
dev tun
ca pki/ca.crt
cert pki/server.crt
key pki/server.key
dh none
server $4 255.255.252.0
topology subnet
verify-client-cert none
script-security 2
auth-user-pass-verify $world/check-credentials via-file
username-as-common-name
push "dhcp-option DNS $UDP_SERVER_SIDE"
push "dhcp-option DOMAIN norvane.test"
comp-lzo
keepalive 4 16
data-ciphers AES-256-GCM:AES-256-CBC
tmp-dir $world/tmp
verb 3
CONF
}

start_server() { # name
    ip netns exec "$service_ns" openvpn --cd "$world" --config "$world/server-$1.conf" \
        --log "$world/server-$1.log" --daemon "norvane-world-$1" --writepid "$world/server-$1.pid" \
        >"$world/server-$1.start.log" 2>&1
}

# The VPN CA is the fixed test CA of servicesim/vpnca, the one a default build installs as
# tarnwick.crt, so an installed program connects here without NORVANE_VPN_CA; the server
# certificate is new in each world.
make_certificates() {
    local pki="$world/pki"
    mkdir -p "$pki"
    cp "$repo/servicesim/vpnca/ca.crt" "$pki/ca.crt"
    install -m 600 "$repo/servicesim/vpnca/ca.key" "$pki/ca.key"
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$pki/server.key" \
        -out "$pki/server.csr" -subj "/CN=vpn-server" 2>/dev/null
    printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyAgreement\nextendedKeyUsage=serverAuth\n' \
        >"$pki/server.ext"
    openssl x509 -req -in "$pki/server.csr" -CA "$pki/ca.crt" -CAkey "$pki/ca.key" -CAcreateserial -days 2 \
        -extfile "$pki/server.ext" -out "$pki/server.crt" 2>/dev/null
    chmod 600 "$pki"/*.key
}

write_env() {
    {
        printf 'NORVANE_API_HOST=%q\n' "$API_ADDRESS"
        printf 'NORVANE_WEB_HOST=%q\n' "$API_ADDRESS"
        printf 'NORVANE_UPDATE_URL=%q\n' "https://$API_ADDRESS/updates/linux/appcast.xml"
        printf 'NORVANE_PTP_SERVER=%q\n' "$VPN_ADDRESS"
        printf 'NORVANE_CA_FILE=%q\n' "$world/sim/tls/ca.crt"
        printf 'NORVANE_VPN_CA=%q\n' "$world/pki/ca.crt"
        printf 'DBUS_SYSTEM_BUS_ADDRESS=%q\n' "unix:path=$world/bus/system_bus_socket"
        printf 'NORVANE_HOME=%q\n' "$world/home"
        printf 'NORVANE_ACCOUNT_KEY=%q\n' "$account_key"
        printf 'NORVANE_WORLD_DIR=%q\n' "$world"
    } >"$world/world.env"
}

cmd_up() {
    local reason
    reason=$(missing_prerequisites)
    [ -z "$reason" ] || die "cannot bring the world up: $reason"
    local sim=${NORVANE_SERVICE_SIM:-$repo/build/bin/norvane-service-sim}
    [ -x "$sim" ] || die "no simulator binary at $sim (build first, or set NORVANE_SERVICE_SIM)"
    sim=$(realpath "$sim")
    local account=${NORVANE_WORLD_ACCOUNT:-DEMO-7F3K-92QX:demo}
    world_user=${NORVANE_WORLD_USER:-nobody}
    id "$world_user" >/dev/null 2>&1 || die "no user named $world_user"
    account_key=${account%%:*}

    if [ -n "${1:-}" ]; then
        world=$1
        [ ! -e "$world" ] || [ -z "$(ls -A "$world")" ] || die "$world exists and is not empty"
        mkdir -p "$world"
    else
        world=$(mktemp -d /tmp/norvane-world.XXXXXX)
    fi
    world=$(realpath "$world")
    suffix=$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')
    client_ns="nvc-$suffix"
    service_ns="nvs-$suffix"
    touch "$world/$MARKER"
    printf 'suffix=%s\nclient_ns=%s\nservice_ns=%s\n' "$suffix" "$client_ns" "$service_ns" >"$world/world.conf"
    mkdir -p "$world/home" "$world/tmp" "$world/sim" "$world/bus"
    # The unprivileged window reaches its home, the bus and the CA files; nothing else is listed.
    chmod 711 "$world"
    chmod 755 "$world/bus"
    chown "$world_user:" "$world/home"
    chmod 700 "$world/home"

    # From here on a failure or an interruption takes down what is already up.
    trap up_ended EXIT
    trap 'exit 130' INT TERM

    say "namespaces $client_ns (client, $CLIENT_ADDRESS) and $service_ns (service, $SERVICE_ADDRESS)"
    ip netns add "$client_ns"
    ip netns add "$service_ns"
    ip link add "vc$suffix" type veth peer name "vs$suffix"
    ip link set "vc$suffix" netns "$client_ns"
    ip link set "vs$suffix" netns "$service_ns"
    ip -n "$client_ns" link set lo up
    ip -n "$client_ns" addr add "$CLIENT_ADDRESS/24" dev "vc$suffix"
    ip -n "$client_ns" link set "vc$suffix" up
    ip -n "$client_ns" route add default via "$SERVICE_ADDRESS"
    ip -n "$service_ns" link set lo up
    ip -n "$service_ns" addr add "$SERVICE_ADDRESS/24" dev "vs$suffix"
    ip -n "$service_ns" link set "vs$suffix" up
    ip -n "$service_ns" addr add "$VPN_ADDRESS/32" dev lo
    ip -n "$service_ns" addr add "$API_ADDRESS/32" dev lo
    # IPv6 on the pair, without duplicate address detection so it is usable at once.
    ip -n "$client_ns" addr add "$CLIENT_ADDRESS6/64" dev "vc$suffix" nodad
    ip -n "$service_ns" addr add "$SERVICE_ADDRESS6/64" dev "vs$suffix" nodad
    mkdir -p "/etc/netns/$client_ns"
    printf '# The client namespace of a Norvane service world.\nnameserver %s\n' "$SERVICE_ADDRESS" \
        >"/etc/netns/$client_ns/resolv.conf"

    say "test CA and VPN server certificate"
    make_certificates

    say "service simulator: API https://$API_ADDRESS, account $account_key, change-IP on" \
        "$UDP_SERVER_SIDE and $TCP_SERVER_SIDE port 9988, exit $EXIT_ADDRESS for the tunnels"
    local catalog=()
    [ -z "${NORVANE_WORLD_CATALOG:-}" ] || catalog=(--catalog "$(realpath "$NORVANE_WORLD_CATALOG")")
    # Kept for start-sim: the same simulator with the same data, perhaps with a fault.
    printf '%s\n' "$sim" --listen "$API_ADDRESS:443" --data-dir "$world/sim" "${catalog[@]}" \
        --account "$account" --map-exit "$TUNNEL_POOL=$EXIT_ADDRESS" \
        --change-ip-listen "$UDP_SERVER_SIDE" --change-ip-listen "$TCP_SERVER_SIDE" >"$world/sim.args"
    start_sim || return 1

    # The servers ask the simulator binary whether user and password name a known account.
    # A number in auth-delay holds every check back that many seconds (a slow authentication).
    cat >"$world/check-credentials" <<CHECK
#!/bin/sh
[ -f '$world/auth-delay' ] && sleep "\$(cat '$world/auth-delay')"
exec '$sim' --data-dir '$world/sim' --account '$PTP_CREDENTIAL' --check-credentials "\$1"
CHECK
    chmod 755 "$world/check-credentials"

    say "openvpn servers on $VPN_ADDRESS: UDP 1194 ($UDP_NETWORK/22) and TCP 443 ($TCP_NETWORK/22)"
    write_server_config udp udp 1194 "$UDP_NETWORK"
    write_server_config tcp tcp-server 443 "$TCP_NETWORK"
    start_server udp
    start_server tcp
    wait_for 30 "UDP server tunnel up" \
        sh -c "ip -n $service_ns -4 addr show | grep -q 'inet $UDP_SERVER_SIDE/'" || return 1
    wait_for 30 "TCP server tunnel up" \
        sh -c "ip -n $service_ns -4 addr show | grep -q 'inet $TCP_SERVER_SIDE/'" || return 1

    say "recording DNS servers: local on $SERVICE_ADDRESS and $SERVICE_ADDRESS6, pushed on $UDP_SERVER_SIDE"
    start_dns local "$SERVICE_ADDRESS" "$SERVICE_ADDRESS6"
    start_dns pushed "$UDP_SERVER_SIDE"

    start_helper "$(dirname "$sim")"

    write_env
    trap - EXIT INT TERM
    say "up; client environment in $world/world.env"
    echo "$world"
}

# The simulator in the service namespace, with the arguments of sim.args and any more given.
start_sim() { # extra simulator options...
    local arguments
    mapfile -t arguments <"$world/sim.args"
    # Its own session: an interrupt of the caller does not end it behind the clean-up's back.
    ip netns exec "$service_ns" setsid "${arguments[@]}" "$@" </dev/null >>"$world/sim.log" 2>&1 &
    local sim_pid=$!
    echo "$sim_pid" >"$world/sim.pid"
    wait_for 30 "simulator start" sh -c "grep -q '^API host:' '$world/sim.log' || ! kill -0 $sim_pid" || return 1
    runs "$sim_pid" norvane-service || die "the simulator did not start"
}

# One recording DNS server in the service namespace; it follows its addresses as they come and
# go (the pushed one's is the UDP server's tunnel address, which a stopped server takes along).
start_dns() { # name address...
    local name=$1 listen=()
    shift
    for address in "$@"; do listen+=(--listen-address="$address"); done
    ip netns exec "$service_ns" dnsmasq --keep-in-foreground --bind-dynamic "${listen[@]}" \
        --no-resolv --no-hosts --user=root --address=/norvane.test/192.0.2.53 --log-queries=extra \
        --log-facility="$world/dns-$name.log" --pid-file="$world/dns-$name.pid" \
        </dev/null >/dev/null 2>&1 &
    wait_for 10 "$name DNS server start" grep -q "started" "$world/dns-$name.log" || return 1
}

# The private system bus, the polkit stand-in and norvane-helper, all in the client namespace.
start_helper() { # folder of the binaries
    local bin=$1 socket="$world/bus/system_bus_socket"
    local helper=${NORVANE_HELPER:-$bin/norvane-helper}
    [ -x "$helper" ] || die "no norvane-helper at $helper (build first, or set NORVANE_HELPER)"
    [ -x "$bin/norvane-polkit-standin" ] || die "no norvane-polkit-standin in $bin"
    say "private system bus, polkit stand-in and norvane-helper (root) in $client_ns"
    sed -e "s|@BUS_SOCKET@|$socket|" -e "s|@HELPER_POLICY@|$repo/packaging/helper/org.norvane.Helper.conf|" \
        "$repo/tests/support/privatebus/bus.conf.in" >"$world/bus/bus.conf"
    ip netns exec "$client_ns" setsid dbus-daemon --config-file="$world/bus/bus.conf" --nofork --nopidfile \
        </dev/null >"$world/bus.log" 2>&1 &
    echo $! >"$world/bus.pid"
    wait_for 10 "private bus start" test -S "$socket" || return 1
    chmod 666 "$socket"
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket" ip netns exec "$client_ns" setsid \
        "$bin/norvane-polkit-standin" </dev/null >"$world/polkit.log" 2>&1 &
    echo $! >"$world/polkit.pid"
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket" ip netns exec "$client_ns" setsid "$helper" \
        --openvpn "$(command -v openvpn)" --runtime-dir "$world/helper-run" </dev/null >"$world/helper.log" 2>&1 &
    echo $! >"$world/helper.pid"
    wait_for 10 "norvane-helper start" grep -q "ready on the system bus" "$world/helper.log" || return 1
}

# Exit trap while the world comes up: takes down what is already up unless all went well.
up_ended() {
    local rc=$?
    trap - EXIT
    if [ "$rc" -ne 0 ]; then
        show_logs
        cmd_down "$world"
    fi
    exit "$rc"
}

show_logs() {
    for log in "$world"/sim.log "$world"/server-*.log "$world"/server-*.start.log "$world"/bus.log \
        "$world"/helper.log; do
        [ -f "$log" ] && { echo "== $log" >&2; tail -n 20 "$log" >&2; }
    done
    return 0
}

server_side_of() { # udp|tcp
    case "$1" in
    udp) echo "$UDP_SERVER_SIDE" ;;
    tcp) echo "$TCP_SERVER_SIDE" ;;
    *) die "no server named '$1' (udp or tcp)" ;;
    esac
}

cmd_stop_server() { # DIR name
    load_world "$1"
    server_side_of "$2" >/dev/null
    stop_recorded "$world/server-$2.pid" openvpn
    say "$2 server stopped"
}

cmd_start_server() { # DIR name
    load_world "$1"
    local side
    side=$(server_side_of "$2")
    runs "$(cat "$world/server-$2.pid" 2>/dev/null || true)" openvpn && die "the $2 server is running"
    start_server "$2"
    wait_for 30 "$2 server tunnel up" sh -c "ip -n $service_ns -4 addr show | grep -q 'inet $side/'"
    say "$2 server started"
}

cmd_stop_sim() { # DIR
    load_world "$1"
    stop_recorded "$world/sim.pid" norvane-service
    say "simulator stopped"
}

cmd_start_sim() { # DIR options...
    load_world "$1"
    shift
    runs "$(cat "$world/sim.pid" 2>/dev/null || true)" norvane-service && die "the simulator is running"
    # The log is appended to: only a new start line counts.
    : >"$world/sim.log"
    # The certificate of the first start: the client trusts its CA.
    start_sim --cert "$world/sim/tls/server.crt" --key "$world/sim/tls/server.key" "$@"
    say "simulator started${*:+ with $*}"
}

# The client's settings file for the demo and the package test: servers on the main screen,
# the exit address may change, no autostart entry; auto-connect as asked (0 or 1).
write_client_settings() { # FILE AUTO_CONNECT
    mkdir -p "$(dirname "$1")"
    cat >"$1" <<XML
<Config>
    <TCPServers enabled="0" port="443"/>
    <P2PConnection enabled="0"/>
    <Proxy type="No Proxy">
        <Server address="" port=""/>
        <Authentication enabled="0" user="" password=""/>
    </Proxy>
    <Servers showOnMain="1" lastUsed="" favorite=""/>
    <ChangeIP enabled="1" auto="0"/>
    <AutoConnect enabled="$2"/>
    <AutoLaunch enabled="0"/>
    <FastestServer enabled="0"/>
    <TCPOnStartup enabled="0"/>
    <SMTPEmail enabled="0" address=""/>
</Config>
XML
    chmod 600 "$1"
}

cmd_exec() { # namespace-variable DIR CMD...
    local which=$1
    load_world "$2"
    shift 2
    [ $# -gt 0 ] || die "no command given"
    set -a
    # shellcheck source=/dev/null
    . "$world/world.env"
    set +a
    if [ "$which" = client ]; then
        exec ip netns exec "$client_ns" "$@"
    fi
    if [ "$which" = user ]; then
        local user=${NORVANE_WORLD_USER:-nobody}
        exec ip netns exec "$client_ns" setpriv --reuid "$user" --regid "$(id -g "$user")" --clear-groups \
            --inh-caps=-all --bounding-set=-all env HOME="$world/home" "$@"
    fi
    exec ip netns exec "$service_ns" "$@"
}

case "${1:-}" in
check)
    reason=$(missing_prerequisites)
    [ -z "$reason" ] || {
        echo "$reason"
        exit 1
    }
    ;;
up) cmd_up "${2:-}" ;;
down) cmd_down "${2:-}" ;;
exec) cmd_exec client "${2:-}" "${@:3}" ;;
exec-user) cmd_exec user "${2:-}" "${@:3}" ;;
exec-service) cmd_exec service "${2:-}" "${@:3}" ;;
stop-server) cmd_stop_server "${2:-}" "${3:-}" ;;
start-server) cmd_start_server "${2:-}" "${3:-}" ;;
stop-sim) cmd_stop_sim "${2:-}" ;;
start-sim) cmd_start_sim "${2:-}" "${@:3}" ;;
client-settings) write_client_settings "${2:?settings file missing}" "${3:-0}" ;;
env)
    load_world "${2:-}"
    cat "$world/world.env"
    ;;
*)
    sed -n '/^# Usage/,/^# Environment/p' "$0" | sed 's/^# \{0,1\}//' | head -n -1 >&2
    exit 2
    ;;
esac
