#!/usr/bin/env bash
# check-install: installs a build into a temporary DESTDIR under /usr and checks the layout that the
# desktop and the program rely on, validates the launcher and the metainfo where the validators are
# installed (desktop-file-utils, appstream), and starts the installed program once (packaging/smoke-run.sh).
#
#   packaging/check-install.sh BUILD_DIR
#
# Fast enough for every ctest run; the Debian package on a clean system is scripts/package-test.sh.
set -euo pipefail
[ $# = 1 ] || { echo "usage: check-install.sh BUILD_DIR" >&2; exit 2; }
build=$1
here=$(cd "$(dirname "$0")" && pwd)
id=org.brightmoor.Stickwell

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr

failed=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what" >&2; failed=1; fi
}

check "bin/stickwell is a link to ../lib/stickwell/stickwell" \
  test -L "$usr/bin/stickwell" -a "$(readlink "$usr/bin/stickwell")" = ../lib/stickwell/stickwell
check "lib/stickwell/stickwell is an executable" test -f "$usr/lib/stickwell/stickwell" -a -x "$usr/lib/stickwell/stickwell"
check "the seed lies beside it" test -f "$usr/lib/stickwell/gamecontrollerdb.txt"
check "the seed's licence lies beside the seed" test -f "$usr/lib/stickwell/gamecontrollerdb.LICENSE"
check "the copyright file names the seed" grep -q "gamecontrollerdb" "$usr/share/doc/stickwell/copyright"
check "the launcher" test -f "$usr/share/applications/$id.desktop"
check "the metainfo" test -f "$usr/share/metainfo/$id.metainfo.xml"
for size in 16 24 32 48 64 128 256; do
  check "the ${size}px icon" test -f "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done
check "the man page" test -f "$usr/share/man/man1/stickwell.1.gz" -o -f "$usr/share/man/man1/stickwell.1"

if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate" desktop-file-validate "$usr/share/applications/$id.desktop"
else
  echo "skipped: desktop-file-validate (package desktop-file-utils) is not installed"
fi
if command -v appstreamcli >/dev/null; then
  # the metainfo, and with it the launcher and icons it points to
  check "appstreamcli validate-tree" appstreamcli validate-tree --no-net "$stage"
else
  echo "skipped: appstreamcli (package appstream) is not installed"
fi

# Through the link, as a user starts it; offscreen, so no X server is needed here.
check "the installed program starts, seeds and ends on SIGTERM" \
  env QT_QPA_PLATFORM=offscreen "$here/smoke-run.sh" "$usr/bin/stickwell"
exit $failed
