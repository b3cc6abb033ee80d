#!/usr/bin/env bash
# Real SMB round trip for the Linux network-drive backend (and the share mapping dialog on it). As root, in private network and
# mount namespaces: a veth pair 192.0.2.1 (client) / 192.0.2.2 (server, its own namespace),
# smbd serving a guest share and a password share, and the driver mounting both through GVfs
# under its own session bus.
#   samba_round_trip.sh DRIVER
# Exit 77 (skipped) when not root or a needed tool is missing.
set -euo pipefail
driver=${1:?usage: $0 DRIVER}
SKIP=77

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root (smbd and a veth pair in a private network namespace)"
    exit $SKIP
fi
for tool in smbd pdbedit dbus-run-session nsenter unshare ip /usr/libexec/gvfsd \
    /usr/libexec/gvfsd-smb; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "$tool" ]; then
        echo "SKIP: $tool is not installed (scripts/deps.sh installs it)"
        exit $SKIP
    fi
done

if [ -z "${DRAVMOOR_IN_NS:-}" ] && ! unshare --net --mount true 2>/dev/null; then
    echo "SKIP: cannot create network and mount namespaces here (container without CAP_SYS_ADMIN?)"
    exit $SKIP
fi

# Enter private network and mount namespaces once; everything below runs there, so no
# datagram reaches a real network and no mount outlives the test.
if [ -z "${DRAVMOOR_IN_NS:-}" ]; then
    export DRAVMOOR_IN_NS=1
    exec unshare --net --mount --propagation private bash "$0" "$@"
fi

work=$(mktemp -d /tmp/dravmoor-smb.XXXXXX)
chmod 755 "$work"
server_pid=""
smbd_pid=""
cleanup() {
    set +e
    for pid in $smbd_pid $server_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Server namespace: a process that just holds it.
unshare --net sleep 600 </dev/null >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    [ "$(readlink /proc/$server_pid/ns/net)" != "$(readlink /proc/self/ns/net)" ] && break
    sleep 0.1
done

ip link set lo up
ip link add v0 type veth peer name v1 netns "$server_pid"
ip addr add 192.0.2.1/24 dev v0
ip link set v0 up
nsenter -t "$server_pid" -n sh -c \
    'ip link set lo up && ip addr add 192.0.2.2/24 dev v1 && ip link set v1 up'

# Samba with everything under $work. The password share's user is an existing system
# account ("daemon"), entered only in our own password database.
L=$work/samba
user=daemon
password=s3cret
text="hello from the adapter"
mkdir -p "$L"/{private,state,cache,lock,pid,ncalrpc,log} "$L/public" "$L/box"
printf '%s' "$text" >"$L/public/hello.txt"
printf '%s' "$text" >"$L/box/hello.txt"
chmod 755 "$L" "$L/public" "$L/box"
chmod 644 "$L/public/hello.txt" "$L/box/hello.txt"
conf=$L/smb.conf
cat >"$conf" <<CONF
[global]
 server role = standalone server
 interfaces = 192.0.2.2/24
 bind interfaces only = yes
 disable netbios = yes
 smb ports = 445
 map to guest = Bad User
 passdb backend = tdbsam:$L/private/passdb.tdb
 private dir = $L/private
 state directory = $L/state
 cache directory = $L/cache
 lock directory = $L/lock
 pid directory = $L/pid
 ncalrpc dir = $L/ncalrpc
 log file = $L/log/smbd.log
 load printers = no
 printcap name = /dev/null
 disable spoolss = yes
 usershare path =
[public]
 path = $L/public
 guest ok = yes
 read only = yes
[box]
 path = $L/box
 valid users = $user
 read only = yes
CONF
printf '%s\n%s\n' "$password" "$password" | pdbedit -s "$conf" -a -u "$user" -t >/dev/null

# smbd signals its whole process group when it stops: give it a session of its own, or it
# takes this script and the test runner down with it.
setsid nsenter -t "$server_pid" -n smbd --foreground --no-process-group --configfile="$conf" \
    </dev/null >"$L/log/stdout" 2>&1 &
smbd_pid=$!
up=""
for _ in $(seq 100); do
    if timeout 1 bash -c '</dev/tcp/192.0.2.2/445' 2>/dev/null; then up=1; break; fi
    sleep 0.1
done
if [ -z "$up" ]; then
    echo "FAIL: smbd did not answer on 192.0.2.2:445"
    tail -20 "$L/log/stdout" "$L/log/smbd.log" 2>/dev/null || true
    exit 1
fi

# The desktop session: a runtime folder of its own (the letter table and GVfs's FUSE folder
# live there) and a session bus for GVfs.
run=$work/run
home=$work/home
mkdir -p "$run" "$home"
chmod 700 "$run"
status=0
env -i HOME="$home" PATH=/usr/bin:/bin:/usr/sbin:/sbin XDG_RUNTIME_DIR="$run" \
    GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1 QT_QPA_PLATFORM=offscreen \
    ${DRAVMOOR_SHOT_DIR:+DRAVMOOR_SHOT_DIR="$DRAVMOOR_SHOT_DIR"} DRAVMOOR_SMBD_PID="$smbd_pid" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    timeout 150 dbus-run-session -- "$driver" 192.0.2.2 "$user" "$password" "$text" || status=$?
if [ "$status" -ne 0 ]; then
    echo "--- smbd log ---"
    tail -30 "$L/log/smbd.log" 2>/dev/null || true
fi
exit "$status"
