#!/usr/bin/env bash
# The Debian package end to end. Makes the .deb from build/ (cpack), runs lintian (an error fails)
# and appstreamcli on the metainfo; then, as root: makes a fresh Debian 12 chroot with debootstrap
# from the Debian mirror apt is configured with, runs a system bus there (no systemd), installs
# the package with apt, has the bus start the installed helper, starts the installed
# /usr/bin/norvane offscreen as an unprivileged user and ends it with `norvane /exit`, and lists
# the installed files. Where a service world can come up (tools/world/world.sh) it runs the
# installed program in the world's client namespace with NORVANE_VPN_CA unset: it connects with
# the CA the package installed. Last it purges the package and checks that the helper stopped, the
# bus forgot it and the chroot holds the same files as before the install. Prints how long each
# step took.
#
# Usage: tools/packagetest.sh        (after tools/setup.sh, which builds with prefix /usr)
# Environment:
#   NORVANE_PACKAGE_DIR  where the .deb, the reports and the chroot go (default build/package-test)
#   NORVANE_WORLD_LOCK   a lock file the world step holds with flock while its world is up
#                        (on a shared machine: /tmp/norvane-world.lock)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
out=${NORVANE_PACKAGE_DIR:-$repo/build/package-test}
root=$out/root
world=""
bus_pid=""
helper_pid=""
started=$SECONDS
step_started=$SECONDS

step() {
    [ "$step_started" -eq "$SECONDS" ] || echo "   ($((SECONDS - step_started)) s)"
    step_started=$SECONDS
    echo "== $*"
}
die() {
    echo "packagetest: $*" >&2
    exit 1
}
in_root() { chroot "$root" "$@"; }

# Everything mounted inside the chroot, deepest first.
mounts_in_root() {
    awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r
}
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    if [ -n "$world" ] && [ -e "$world/.norvane-world" ]; then
        tools/world/world.sh down "$world" >/dev/null 2>&1 || true
    fi
    # The chroot's bus and a helper it started: ours by pid, and only while they run from the chroot.
    local pid
    for pid in "$bus_pid" "$helper_pid"; do
        [ -n "$pid" ] && [[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" == "$root"/* ]] && kill -TERM "$pid" 2>/dev/null
    done
    if [ -d "$root" ]; then
        local mount
        for mount in $(mounts_in_root); do umount "$mount" || umount -l "$mount" || true; done
        # Never delete through a mount that is still there.
        if [ -z "$(mounts_in_root)" ]; then rm -rf "$root"; else echo "packagetest: $root still has mounts, left" >&2; fi
    fi
    exit "$rc"
}

# The Debian mirror apt is configured with for bookworm: deb822 .sources or one-line .list files.
debian_mirror() {
    local file line types uris suites
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        types="" uris="" suites=""
        while IFS= read -r line || [ -n "$line" ]; do
            case "$line" in
            Types:*) types=" ${line#Types:} " ;;
            URIs:*) uris=${line#URIs:} ;;
            Suites:*) suites=" ${line#Suites:} " ;;
            "")
                if [[ "$types" == *" deb "* && "$suites" == *" bookworm "* ]]; then
                    read -r uris _ <<<"$uris"
                    echo "$uris"
                    return
                fi
                types="" uris="" suites=""
                ;;
            esac
        done <"$file"
        if [[ "$types" == *" deb "* && "$suites" == *" bookworm "* ]]; then
            read -r uris _ <<<"$uris"
            echo "$uris"
            return
        fi
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        # deb [options] URI suite components
        sed -n 's/^deb\(\s\+\[[^]]*\]\)\?\s\+\(\S\+\)\s\+bookworm\s.*/\2/p' "$file" | head -n1 | grep . && return
    done
    return 0
}

# The chroot's files outside what changes by itself (package lists, logs, caches, dpkg's own
# records, temporary and runtime folders).
snapshot() { # file
    in_root find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
        -o -path /var/tmp -o -path /var/cache -o -path /var/log -o -path /var/lib/apt \
        -o -path /var/lib/dpkg \) -prune -o -print | sort >"$1"
}

# Runs the installed program in the chroot as nobody, without capabilities, with the
# environment given; prefix runs before chroot (a network namespace).
run_installed() { # prefix-command... -- env-assignments... -- arguments...
    local prefix=() environment=()
    while [ "$1" != -- ]; do prefix+=("$1"); shift; done
    shift
    while [ "$1" != -- ]; do environment+=("$1"); shift; done
    shift
    "${prefix[@]}" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        "${environment[@]}" chroot "$root" setpriv --reuid 65534 --regid 65534 --clear-groups \
        --inh-caps=-all --bounding-set=-all /usr/bin/norvane "$@"
}

wait_until() { # seconds command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.5
    done
}

# Waits for a background program to end, at most seconds; its exit status, 124 when it did not.
wait_exit() { # pid seconds
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            kill -KILL "$1" 2>/dev/null || true
            wait "$1" 2>/dev/null || true
            return 124
        fi
        sleep 0.5
    done
    local rc=0
    wait "$1" || rc=$?
    return "$rc"
}

step "Building and making the package (cpack)"
[ -f build/CMakeCache.txt ] || die "no build/ (run tools/setup.sh first)"
grep -q '^CMAKE_INSTALL_PREFIX:PATH=/usr$' build/CMakeCache.txt ||
    die "build/ is not configured with CMAKE_INSTALL_PREFIX=/usr (tools/setup.sh does that)"
cmake --build build -j2 >/dev/null
# A run that was killed may have left its chroot with mounts: never delete through them.
[ -z "$(root=$out mounts_in_root)" ] || die "mounts are left under $out (see /proc/mounts); unmount them first"
rm -rf "$out"
mkdir -p "$out"
(cd build && cpack -G DEB -B "$out/cpack" >/dev/null)
deb=$(find "$out/cpack" -maxdepth 1 -name 'norvane_*.deb' | head -n1)
[ -n "$deb" ] || die "cpack made no package"
mv "$deb" "$out/"
deb=$out/$(basename "$deb")
rm -rf "$out/cpack"
echo "   $deb ($(du -h "$deb" | cut -f1))"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends | sed 's/^/   /'

step "lintian"
lintian --display-info --pedantic "$deb" >"$out/lintian.txt" 2>&1 || true
sed 's/^/   /' "$out/lintian.txt"
! grep -q '^E: ' "$out/lintian.txt" || die "lintian reports errors"
echo "   errors: 0, warnings: $(grep -c '^W: ' "$out/lintian.txt" || true)"

step "AppStream metainfo"
appstreamcli validate --no-net --pedantic packaging/org.norvane.Norvane.metainfo.xml | sed 's/^/   /'

if [ "$(id -u)" -ne 0 ]; then
    step "SKIP: the chroot test needs root (debootstrap, chroot, mounts)"
    exit 0
fi
trap cleanup EXIT
trap 'exit 130' INT TERM

step "Fresh Debian 12 chroot (debootstrap)"
mirror=$(debian_mirror)
[ -n "$mirror" ] || die "no bookworm mirror in /etc/apt/sources.list*"
echo "   mirror $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$out/debootstrap.log" 2>&1 ||
    { tail -n 20 "$out/debootstrap.log"; die "debootstrap failed"; }
# Installs start no services in the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
export DEBIAN_FRONTEND=noninteractive
in_root apt-get update -qq

step "The package's dependencies (apt-get satisfy), then the chroot's files"
in_root apt-get satisfy -y -qq --no-install-recommends "$(dpkg-deb --field "$deb" Depends)" >"$out/apt.log" 2>&1 ||
    { tail -n 20 "$out/apt.log"; die "the dependencies cannot be installed"; }
snapshot "$out/files-before.txt"

# A system bus in the chroot, without systemd, as on a desktop without it: the maintainer scripts
# make it reload, it starts the installed helper by D-Bus activation, and removal stops it.
mkdir -p "$root/run/dbus"
bus_pid=$(in_root dbus-daemon --system --fork --print-pid)
on_bus() { # destination path method arguments...
    local destination=$1
    shift
    in_root dbus-send --system --print-reply --dest="$destination" "$@"
}
# Whether the bus can start the helper (captured first: grep -q ending a pipe early fails it).
helper_activatable() {
    local names
    names=$(on_bus org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ListActivatableNames)
    [[ "$names" == *'"org.norvane.Helper"'* ]]
}
wait_until 10 test -S "$root/run/dbus/system_bus_socket" || die "no system bus in the chroot"
! helper_activatable || die "the bus knows the helper before the install"

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >>"$out/apt.log" 2>&1 ||
    { tail -n 20 "$out/apt.log"; die "the package does not install"; }
in_root dpkg-query -L norvane | sort >"$out/installed-files.txt"
# shellcheck disable=SC2016 # expanded by the chroot's shell
in_root sh -c 'dpkg-query -L norvane | while read -r f; do [ -f "$f" ] && echo "$f"; done' | sort >"$out/installed-regular.txt"
echo "   installed files:"
sed 's/^/     /' "$out/installed-regular.txt"
for file in /usr/bin/norvane /usr/libexec/norvane/norvane-helper /usr/share/norvane/tarnwick.crt \
    /usr/share/norvane/tr/language_fr.qm /usr/share/norvane/tr/language_de.qm \
    /usr/share/norvane/Manual/en/NORVANE_for_WINDOWS_PC_EN.html /usr/share/applications/norvane.desktop \
    /usr/share/icons/hicolor/scalable/apps/norvane.svg /usr/share/metainfo/org.norvane.Norvane.metainfo.xml \
    /usr/lib/systemd/system/norvane-helper.service /usr/share/dbus-1/system.d/org.norvane.Helper.conf \
    /usr/share/dbus-1/system-services/org.norvane.Helper.service \
    /usr/share/polkit-1/actions/org.norvane.helper.policy /usr/share/man/man1/norvane.1.gz \
    /usr/share/man/man8/norvane-helper.8.gz /usr/share/doc/norvane/copyright; do
    grep -qx "$file" "$out/installed-regular.txt" || die "the package has no $file"
done
helper_activatable || die "the system bus does not know the installed helper"
# Started by the bus on the first call (here: introspection, which the policy lets anyone do).
introspection=$(on_bus org.norvane.Helper /org/norvane/Helper org.freedesktop.DBus.Introspectable.Introspect) ||
    die "the bus did not start the installed helper"
[[ "$introspection" == *org.norvane.Helper1* ]] || die "the helper on the bus offers no org.norvane.Helper1"
helper_pid=$(on_bus org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
    string:org.norvane.Helper | sed -n 's/^ *uint32 \([0-9][0-9]*\)$/\1/p')
[ "$(readlink "/proc/$helper_pid/exe")" = "$root/usr/libexec/norvane/norvane-helper" ] ||
    die "the helper on the bus is not the installed one"
echo "   the system bus started the installed helper (pid $helper_pid)"
cmp -s "$root/usr/share/norvane/tarnwick.crt" "$(sed -n 's/^NORVANE_VPN_CA_FILE:FILEPATH=//p' build/CMakeCache.txt)" ||
    die "the installed tarnwick.crt is not NORVANE_VPN_CA_FILE"

step "Installed /usr/bin/norvane: starts offscreen as nobody, ends on 'norvane /exit'"
# Its own empty network namespace: the program reaches nothing outside.
home=/tmp/norvane-home
mkdir -p "$root$home" "$root/tmp/norvane-runtime"
chown 65534:65534 "$root$home" "$root/tmp/norvane-runtime"
chmod 700 "$root/tmp/norvane-runtime"
program_env=(HOME="$home" XDG_RUNTIME_DIR=/tmp/norvane-runtime)
log=$root$home/.local/share/norvane/Config/norvane_log.log
run_installed unshare --net -- "${program_env[@]}" -- >"$out/program.out" 2>&1 &
program=$!
wait_until 60 test -s "$log" || { cat "$out/program.out"; die "the installed program wrote no log"; }
# The window is up once it listens on its single-instance socket.
wait_until 60 sh -c "ls '$root/tmp/norvane-runtime'/* >/dev/null 2>&1" ||
    { cat "$out/program.out"; die "the installed program shows no running instance"; }
run_installed unshare --net -- "${program_env[@]}" -- /exit || die "'norvane /exit' failed"
rc=0
wait_exit "$program" 60 || rc=$?
[ "$rc" -eq 0 ] || { cat "$out/program.out"; die "the installed program ended with $rc after /exit"; }
echo "   started, wrote $(wc -l <"$log") log lines, ended with 0 after /exit"

if reason=$(tools/world/world.sh check); then
    step "Installed program in the service world, NORVANE_VPN_CA unset: connects with the installed CA"
    if [ -n "${NORVANE_WORLD_LOCK:-}" ]; then
        exec 9>"$NORVANE_WORLD_LOCK"
        flock 9
    fi
    world=$(mktemp -d /tmp/norvane-package-world.XXXXXX)
    NORVANE_SERVICE_SIM=build/bin/norvane-service-sim tools/world/world.sh up "$world" 9>&- >"$out/world.log" 2>&1 ||
        { cat "$out/world.log"; die "the world did not come up"; }
    # The world's folder at the same path inside the chroot: the bus socket, the client's home
    # (which the helper outside reads), the simulator's TLS CA.
    mkdir -p "$root$world"
    mount --bind "$world" "$root$world"
    world_home=$world/home
    mkdir -p "$world_home/runtime"
    tools/world/world.sh client-settings "$world_home/Config/norvane.xml" 1
    chown -R 65534:65534 "$world_home"
    chmod 700 "$world_home/runtime"
    # The world's environment without NORVANE_VPN_CA: the program takes the tarnwick.crt it
    # was installed with.
    world_env=()
    while IFS= read -r name; do
        # shellcheck source=/dev/null
        world_env+=("$name=$(. "$world/world.env" && printf '%s' "${!name}")")
    done < <(sed -n 's/^\([A-Z_]*\)=.*/\1/p' "$world/world.env" | grep -vx NORVANE_VPN_CA)
    shot=$world_home/connected.png
    world_program_env=("${world_env[@]}" HOME="$world_home" XDG_RUNTIME_DIR="$world_home/runtime"
        NORVANE_SCREENSHOT_ON_CONNECT="$shot")
    client_ns=$(sed -n 's/^client_ns=//p' "$world/world.conf")
    run_installed ip netns exec "$client_ns" -- "${world_program_env[@]}" -- >"$out/world-program.out" 2>&1 9>&- &
    program=$!
    if ! wait_until 120 test -s "$shot"; then
        tail -n 30 "$world/helper.log" "$world/server-udp.log" "$out/world-program.out" 2>/dev/null || true
        die "the installed program did not show the connected view"
    fi
    cmp -s "$world_home/Config/tarnwick.crt" "$root/usr/share/norvane/tarnwick.crt" ||
        die "the tunnel did not use the installed tarnwick.crt"
    echo "   connected (the connected view saved $shot); the tunnel's CA is the installed tarnwick.crt"
    run_installed ip netns exec "$client_ns" -- "${world_program_env[@]}" -- /exit 9>&- ||
        die "'norvane /exit' failed in the world"
    rc=0
    wait_exit "$program" 60 || rc=$?
    [ "$rc" -eq 0 ] || die "the installed program ended with $rc after /exit in the world"
    umount "$root$world"
    tools/world/world.sh down "$world" >/dev/null
    world=""
    [ -z "${NORVANE_WORLD_LOCK:-}" ] || exec 9>&-
else
    step "SKIP the service world step: $reason"
fi

step "apt-get purge norvane; nothing of it stays"
rm -rf "${root:?}$home" "$root/tmp/norvane-runtime" "$root/tmp/$(basename "$deb")"
in_root apt-get purge -y -qq norvane >>"$out/apt.log" 2>&1 || { tail -n 20 "$out/apt.log"; die "purge failed"; }
! in_root dpkg-query -W norvane >/dev/null 2>&1 || die "dpkg still knows the package after purge"
wait_until 10 sh -c "! kill -0 $helper_pid 2>/dev/null" || die "the helper still runs after the removal"
! helper_activatable || die "the system bus still knows the helper after the purge"
[ ! -e "$root/run/norvane-helper" ] || die "the helper's runtime folder stayed"
kill -TERM "$bus_pid"
bus_pid=""
echo "   the helper stopped, the bus forgot it, its runtime folder is gone"
! ls "$root"/var/lib/dpkg/info/norvane.* >/dev/null 2>&1 || die "dpkg's records of the package stayed"
snapshot "$out/files-after.txt"
if ! diff -u "$out/files-before.txt" "$out/files-after.txt" >"$out/files-left.diff"; then
    cat "$out/files-left.diff"
    die "the purge left the chroot different from before the install"
fi
echo "   the chroot's files are those before the install ($(wc -l <"$out/files-before.txt") paths)"

step "Done in $((SECONDS - started)) s; reports in $out"
