#!/usr/bin/env bash
# Sets everything up, builds, and runs the client against the service.
#
# As root: brings up the service world (tools/world/world.sh: network namespaces, the service
# simulator with its catalog and an account, real OpenVPN servers over UDP and TCP, and
# norvane-helper as root on a private system bus) and runs the client inside its client namespace
# as an unprivileged user: the one who ran sudo, else nobody. Without root there are no namespaces
# and no helper: the simulator runs as a local process on loopback, and connecting fails at once
# with the message that norvane-helper cannot be reached.
#
# On the user's display when there is one ($DISPLAY or $WAYLAND_DISPLAY): the demo lasts until
# the client is closed. Otherwise offscreen with auto-connect: the demo ends once the connected
# window's picture is saved, or after NORVANE_DEMO_SECONDS (default 60), with `norvane /exit`.
# The picture of the connected window goes to demo-run/connected.png.
# NORVANE_DEMO_LOOPBACK=1 runs the loopback variant also as root.
# Ctrl-C ends the demo; everything it started is stopped and the world removed.
# Usage: tools/demo.sh [extra cmake arguments for tools/setup.sh]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

step() { echo "== $*"; }
note() { echo "   $*"; }

step "Setting up and building (tools/setup.sh)"
tools/setup.sh "$@"

client=$repo/build/bin/norvane
sim=$repo/build/bin/norvane-service-sim
demo=$repo/demo-run
account_key=DEMO-7F3K-92QX
seconds=${NORVANE_DEMO_SECONDS:-60}
shot=$demo/connected.png
mkdir -p "$demo"
rm -f "$shot"

# Where the client shows up.
offscreen=1
if [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ]; then
    offscreen=0
fi

# Which service the client talks to.
mode=world
if ! reason=$(tools/world/world.sh check); then
    mode=loopback
elif [ -n "${NORVANE_DEMO_LOOPBACK:-}" ]; then
    mode=loopback
    reason="NORVANE_DEMO_LOOPBACK is set"
fi
if [ "$mode" = world ] && [ "$offscreen" -eq 0 ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${DISPLAY:0:1}" != ":" ]; then
    # A display reached over TCP (ssh forwarding: localhost:10.0) is not reachable from inside
    # the client namespace, which has no way out.
    note "DISPLAY=$DISPLAY is reached over the network, which the client namespace cannot do: running offscreen"
    offscreen=1
fi

world=""
sim_pid=""
client_pid=""
follow_pid=""
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    if [ -n "$client_pid" ] && kill -0 "$client_pid" 2>/dev/null; then
        step "Stopping the client"
        kill -TERM "$client_pid" 2>/dev/null || true
        wait "$client_pid" 2>/dev/null || true
    fi
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        step "Stopping the simulator"
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    if [ -n "$world" ] && [ -e "$world/.norvane-world" ]; then
        step "Taking the service world down"
        tools/world/world.sh down "$world" | sed 's/^/   /'
    fi
    if [ -n "$follow_pid" ]; then
        kill -TERM "$follow_pid" 2>/dev/null || true
        wait "$follow_pid" 2>/dev/null || true
    fi
    # Run with sudo: leave the demo's files to the user who asked for them.
    if [ -n "${SUDO_UID:-}" ] && [ -n "${SUDO_GID:-}" ]; then
        chown -R "$SUDO_UID:$SUDO_GID" "$demo" 2>/dev/null || true
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'echo; exit 130' INT TERM

# The client's home: a settings file that never writes an autostart entry, and connects by
# itself when nobody is there to press CONNECT.
home=$demo/home
mkdir -p "$home/Config"
auto_connect=$offscreen
tools/world/world.sh client-settings "$home/Config/norvane.xml" "$auto_connect"
step "Client home $home (settings: auto-connect $([ "$auto_connect" -eq 1 ] && echo on || echo off))"

# Lines the simulator prints about the requests it serves.
follow() { # log file
    tail --pid=$$ -n 0 -F "$1" 2>/dev/null | sed -u 's/^/   service: /' &
    follow_pid=$!
}

# The window runs as this user in the world: the one who ran sudo, else nobody.
user=${SUDO_USER:-nobody}
# Written by the window, so in a folder of the user's; copied to $shot at the end.
window_shot=$home/connected.png
rm -f "$window_shot"
client_env=(NORVANE_HOME="$home" NORVANE_SCREENSHOT_ON_CONNECT="$window_shot" XDG_CONFIG_HOME="$demo/xdg-config")
if [ "$offscreen" -eq 1 ]; then
    mkdir -p "$demo/runtime"
    chmod 700 "$demo/runtime"
    client_env+=(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$demo/runtime")
else
    # Run as root for the user's display: find the user's credentials for it.
    if [ -z "${XAUTHORITY:-}" ] && [ -n "${SUDO_USER:-}" ]; then
        user_home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
        [ -f "$user_home/.Xauthority" ] && client_env+=(XAUTHORITY="$user_home/.Xauthority")
    fi
    if [ -z "${XDG_RUNTIME_DIR:-}" ] && [ -n "${SUDO_UID:-}" ] && [ -d "/run/user/$SUDO_UID" ]; then
        client_env+=(XDG_RUNTIME_DIR="/run/user/$SUDO_UID")
    fi
fi

if [ "$mode" = world ]; then
    step "Bringing the service world up (network namespaces, simulator, OpenVPN servers)"
    world=$(mktemp -d /tmp/norvane-demo.XXXXXX)
    NORVANE_WORLD_USER=$user NORVANE_SERVICE_SIM=$sim tools/world/world.sh up "$world" | sed '$d' | sed 's/^/   /'
    [ -e "$world/world.env" ] || exit 1
    mkdir -p "$demo/xdg-config"
    chown -R "$user:" "$home" "$demo/xdg-config"
    [ ! -d "$demo/runtime" ] || chown "$user:" "$demo/runtime"
    client_ns=$(sed -n 's/^client_ns=//p' "$world/world.conf")
    service_ns=$(sed -n 's/^service_ns=//p' "$world/world.conf")
    note "client namespace $client_ns: 192.0.2.2, default route via 192.0.2.1"
    note "service namespace $service_ns: API https://203.0.113.10, VPN 198.51.100.1 UDP 1194 and TCP 443"
    note "account $account_key; exit address through the tunnel 203.0.113.77, a new one after each IP change"
    note "norvane-helper runs OpenVPN as root (log: $world/helper.log); the window runs as $user ($(id -u "$user"))"
    follow "$world/sim.log"
    client_cmd=(env NORVANE_WORLD_USER="$user" tools/world/world.sh exec-user "$world" env "${client_env[@]}" "$client")
else
    step "No service world: $reason"
    note "The world needs root: network namespaces for the client and the service, and"
    note "norvane-helper, the root service that runs OpenVPN. Running the simulator on loopback"
    note "instead: the client starts, signs in and lists the servers; connecting then fails at"
    note "once with the message that norvane-helper cannot be reached."
    note "Run 'sudo tools/demo.sh' for the whole demo."
    loop=$demo/loopback
    rm -rf "$loop"
    mkdir -p "$loop"
    # The catalog's documentation addresses 198.51.100.N become loopback addresses 127.0.0.N,
    # so that a connect attempt never leaves the machine.
    sed 's/198\.51\.100\.\([0-9]\{1,3\}\)/127.0.0.\1/g' servicesim/data/catalog.xml >"$loop/catalog.xml"
    step "Starting the simulator on loopback"
    "$sim" --listen 127.0.0.1:0 --data-dir "$loop/sim" --catalog "$loop/catalog.xml" \
        --account "$account_key:demo" </dev/null >"$loop/sim.log" 2>&1 &
    sim_pid=$!
    deadline=$((SECONDS + 30))
    until grep -q '^API host:' "$loop/sim.log"; do
        if ! kill -0 "$sim_pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
            cat "$loop/sim.log"
            echo "The simulator did not start." >&2
            exit 1
        fi
        sleep 0.2
    done
    api=$(sed -n 's/^API host: //p' "$loop/sim.log")
    ca=$(sed -n 's/^CA certificate: //p' "$loop/sim.log")
    note "API https://$api, account $account_key"
    follow "$loop/sim.log"
    client_env+=(NORVANE_API_HOST="$api" NORVANE_WEB_HOST="$api" NORVANE_UPDATE_URL="https://$api/updates/linux/appcast.xml"
        NORVANE_PTP_SERVER=127.0.0.1 NORVANE_CA_FILE="$ca" NORVANE_VPN_CA="$ca"
        NORVANE_ACCOUNT_KEY="$account_key")
    client_cmd=(env "${client_env[@]}" "$client")
fi

if [ "$offscreen" -eq 1 ]; then
    step "Starting the client offscreen (no display); it connects by itself"
else
    step "Starting the client on ${WAYLAND_DISPLAY:+Wayland display $WAYLAND_DISPLAY}${WAYLAND_DISPLAY:-display $DISPLAY}; close it to end the demo"
fi
"${client_cmd[@]}" &
client_pid=$!

if [ "$offscreen" -eq 0 ]; then
    set +e
    wait "$client_pid"
    rc=$?
    set -e
    client_pid=""
    step "The client ended (exit status $rc)"
else
    deadline=$((SECONDS + seconds))
    while kill -0 "$client_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ] && [ ! -s "$window_shot" ]; do
        sleep 0.5
    done
    if kill -0 "$client_pid" 2>/dev/null; then
        if [ -s "$window_shot" ]; then
            step "Connected; asking the client to exit (norvane /exit)"
        else
            step "$seconds seconds are up; asking the client to exit (norvane /exit)"
        fi
        timeout --kill-after=5 10 "${client_cmd[@]}" /exit >/dev/null 2>&1 || true
        deadline=$((SECONDS + 10))
        while kill -0 "$client_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
            sleep 0.2
        done
        if kill -0 "$client_pid" 2>/dev/null; then
            note "the client is still running after /exit: stopping it"
        else
            wait "$client_pid" 2>/dev/null || true
            client_pid=""
        fi
    else
        set +e
        wait "$client_pid"
        rc=$?
        set -e
        client_pid=""
        step "The client ended by itself (exit status $rc)"
    fi
fi

[ ! -s "$window_shot" ] || cp "$window_shot" "$shot"
if [ -s "$shot" ]; then
    step "Picture of the connected window: $shot"
else
    step "No picture of the connected window (the client did not reach the connected view)"
fi
log=$home/Config/norvane.log
if [ -f "$log" ]; then
    note "client log: $log"
fi
