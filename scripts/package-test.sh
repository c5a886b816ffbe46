#!/usr/bin/env bash
# Builds the Debian package and proves that it installs and runs on a clean Debian 12 system.
#
#   [STICKWELL_QT=5|6] scripts/package-test.sh
#                                     as root: in a clean Debian 12 chroot (debootstrap, minbase; built
#                                     once and cached under /var/cache/stickwell-package-test, and
#                                     copied afresh for every run)
#   scripts/package-test.sh --here    installs the package on this machine instead (for a fresh
#                                     Debian 12 machine or container of its own)
#
# Steps: installs the build tools that are missing; configures build-package/ (Release, no tests; Qt 6
# unless STICKWELL_QT=5 asks for Qt 5) and runs `cpack -G DEB` there; checks the package's fields (its
# Qt libraries are those of the build) and contents (and lintian's verdict when it is installed);
# installs it with `apt-get install ./stickwell_*.deb`, without recommended packages,
# so only its declared dependencies come with it; then starts the installed program on an X server
# (Xvfb) through packaging/smoke-run.sh: it must seed its data directory from /usr/lib/stickwell, log
# its start-up lines and exit cleanly on SIGTERM, talking to nothing but a closed port on loopback.
# In the chroot, Xvfb runs outside, so the chroot holds only the package and what it depends on.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

here=0
case "${1:-}" in
--here) here=1 ;;
"") ;;
*)
  echo "usage: scripts/package-test.sh [--here]" >&2
  exit 2
  ;;
esac
sudo=""
if [ "$(id -u)" != 0 ]; then
  [ "$here" = 1 ] || { echo "package-test: the chroot needs root (or use --here)" >&2; exit 2; }
  sudo=sudo
fi
step() { echo "=== package-test: $*"; }
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }

# ---- build tools ----
export STICKWELL_QT=${STICKWELL_QT:-6}
qt=$STICKWELL_QT
extra=(dpkg-dev file)
[ "$here" = 1 ] || extra+=(debootstrap)
step "build tools for Qt $qt"
bash scripts/install-deps.sh "${extra[@]}" >/dev/null

# ---- the package ----
build=$top/build-package
step "building the package in $build"
# Debian's own compiler and linker flags, hardening included, as a package build uses them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSTICKWELL_QT="$qt" \
  -DSTICKWELL_BUILD_TESTS=OFF -DSTICKWELL_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -f "$build"/stickwell_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/stickwell_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single stickwell_*.deb"
deb=${debs[0]}
step "$(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Depends Recommends Installed-Size

[ "$(dpkg-deb --field "$deb" Package)" = stickwell ] || fail "package name"
[ "$(dpkg-deb --field "$deb" Version)" = 1.2 ] || fail "version"
[ "$(dpkg-deb --field "$deb" Maintainer)" = "Brightmoor <stickwell@brightmoor.org>" ] || fail "maintainer"
# The Qt of this build, and nothing of the other one; the certificate store for the update check's HTTPS.
depends=$(dpkg-deb --field "$deb" Depends)
other=5
[ "$qt" = 6 ] || other=6
for lib in libqt${qt}gui${qt} libqt${qt}widgets${qt} libqt${qt}network${qt} libsdl2-2.0-0 ca-certificates; do
  grep -Eq "(^|, )$lib( |,|\$)" <<<"$depends" || fail "no dependency on $lib"
done
! grep -q "libqt${other}" <<<"$depends" || fail "a dependency on Qt $other in a Qt $qt build"
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/lib/stickwell/stickwell ./usr/lib/stickwell/gamecontrollerdb.txt \
  ./usr/share/applications/org.brightmoor.Stickwell.desktop \
  ./usr/share/metainfo/org.brightmoor.Stickwell.metainfo.xml \
  ./usr/share/icons/hicolor/48x48/apps/org.brightmoor.Stickwell.png ./usr/share/man/man1/stickwell.1.gz; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
grep -q " ./usr/bin/stickwell -> ../lib/stickwell/stickwell\$" <<<"$contents" ||
  fail "usr/bin/stickwell is not a link to ../lib/stickwell/stickwell"
if command -v lintian >/dev/null; then
  step "lintian"
  lintian --fail-on error "$deb" 2>&1 | grep -v "running with root privileges" || true
  lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian found errors"
fi

# ---- install and start ----
if [ "$here" = 1 ]; then
  step "installing on this machine"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb"
  step "starting the installed program under Xvfb"
  xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb packaging/smoke-run.sh /usr/bin/stickwell
  step "passed"
  exit 0
fi

cache=/var/cache/stickwell-package-test
base=$cache/bookworm
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(awk '/^deb /{print $2; exit}' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
if [ ! -f "$base/.complete" ]; then
  step "building the clean Debian 12 system (once) in $base"
  rm -rf "$base"
  mkdir -p "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    fail "debootstrap failed; see $cache/debootstrap.log"
  touch "$base/.complete"
fi

root=$(mktemp -d /var/tmp/stickwell-package-test.XXXXXX)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  for m in tmp/.X11-unix proc sys dev; do umount -R -l "$root/$m" 2>/dev/null || true; done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
rm -f "$root/.complete"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# The same suites as this machine (security and updates included), as a freshly installed system has.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
  rm -f "$root/etc/apt/sources.list"
fi
mkdir -p "$root/tmp/package-test" "$root/tmp/.X11-unix"
cp "$deb" packaging/smoke-run.sh "$root/tmp/package-test/"

# The X server runs here, outside: it and its libraries must not be what the program's
# dependencies are judged by. The chroot reaches it through the shared socket directory.
displayfile=$(mktemp)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
display=$(cat "$displayfile")
rm -f "$displayfile"
[ -n "$display" ] || fail "Xvfb did not start"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"

step "installing $(basename "$deb") in the clean system"
chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive QT="$qt" bash -euo pipefail -c '
    apt-get update -qq
    log=/tmp/package-test/apt.log
    if ! apt-get install -y --no-install-recommends ./tmp/package-test/stickwell_*.deb >$log 2>&1; then
      cat $log >&2
      exit 1
    fi
    echo "apt-get brought in: $(sed -n "s/^Setting up \([^ ]*\) .*/\1/p" $log | tr "\n" " ")"
    dpkg-query -W -f="installed: \${Package} \${Version}\n" stickwell
    # every library of the program, of the X platform plugin and (Qt 6) of the TLS plugin is there
    xcb=$(find /usr/lib -path "*/qt$QT/plugins/platforms/libqxcb.so" | head -n 1)
    [ -n "$xcb" ] || { echo "no X11 (xcb) platform plugin installed" >&2; exit 1; }
    objects=(/usr/lib/stickwell/stickwell "$xcb")
    if [ "$QT" = 6 ]; then
      tls=$(find /usr/lib -path "*/qt6/plugins/tls/libqopensslbackend.so" | head -n 1)
      [ -n "$tls" ] || { echo "no OpenSSL TLS plugin installed" >&2; exit 1; }
      objects+=("$tls")
    fi
    [ -s /etc/ssl/certs/ca-certificates.crt ] || { echo "no CA certificates installed" >&2; exit 1; }
    for object in "${objects[@]}"; do
      if ldd "$object" | grep "not found"; then echo "missing libraries for $object" >&2; exit 1; fi
    done
  ' || fail "the package did not install cleanly"

step "starting the installed program on display :$display"
chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
  bash /tmp/package-test/smoke-run.sh /usr/bin/stickwell || fail "the installed program did not run as it should"
step "passed"
