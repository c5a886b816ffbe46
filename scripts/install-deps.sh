#!/usr/bin/env bash
# Installs the Debian packages that building and testing Stickwell need, when any is missing
# (through sudo when not run as root). Shared by setup.sh and sanitize.sh.
set -euo pipefail

packages=(cmake make g++ pkg-config qtbase5-dev libsdl2-dev xvfb xauth xclip python3 openssl zlib1g-dev desktop-file-utils appstream fonts-dejavu-core systemd)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
