#!/usr/bin/env bash
# Installs the Debian packages that building and testing Stickwell need, when any is missing
# (through sudo when not run as root). Shared by setup.sh, sanitize.sh and package-test.sh.
#
#   STICKWELL_QT=6 (the default) or 5 chooses the Qt to install; extra arguments are more packages
#   (sanitize.sh adds clang's, package-test.sh its packaging tools).
set -euo pipefail

qt=${STICKWELL_QT:-6}
case "$qt" in
6) qt_packages=(qt6-base-dev qt6-base-dev-tools) ;;
5) qt_packages=(qtbase5-dev) ;;
*)
  echo "install-deps: STICKWELL_QT must be 5 or 6, not '$qt'" >&2
  exit 2
  ;;
esac

packages=(cmake make g++ pkg-config libsdl2-dev xvfb xauth xclip python3 openssl zlib1g-dev desktop-file-utils appstream fonts-dejavu-core systemd)
packages+=("${qt_packages[@]}" "$@")
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
