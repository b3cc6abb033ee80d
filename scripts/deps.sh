#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need, when missing.
# Idempotent and quiet when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-arphic-uming
  xvfb xauth x11-utils imagemagick xdotool fonts-dejavu-extra
  at-spi2-core python3-pyatspi
  iproute2 util-linux procps jq
  libglib2.0-dev gvfs-backends gvfs-fuse dbus-user-session dbus
  samba smbclient
  clang-format
  libcli11-dev nlohmann-json3-dev libfccp-dev
  dpkg-dev file lintian desktop-file-utils appstream
  weston qt6-wayland nftables
  python3-firewall ufw
  g++-mingw-w64-x86-64-posix googletest wine wine64 nsis fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
