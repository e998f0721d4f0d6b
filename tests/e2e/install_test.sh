#!/usr/bin/env bash
# cmake --install of a built tree into a scratch folder: the program with
# dat/ and res/ beside it, the command link, the desktop entry and the icon.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /opt/swaymo >/dev/null
top="$dest/opt/swaymo"
program="$top/libexec/swaymo-setup/swaymo-setup"

[ -x "$program" ] || fail "no program at $program"
for dir in dat res; do
  diff -r "$source/$dir" "$top/libexec/swaymo-setup/$dir" >/dev/null ||
    fail "$dir/ beside the program differs from the source tree's"
done
[ -L "$top/bin/swaymo-setup" ] || fail "bin/swaymo-setup is not a link"
[ "$(readlink -f "$top/bin/swaymo-setup")" = "$(readlink -f "$program")" ] ||
  fail "bin/swaymo-setup does not lead to the program"
case "$(readlink "$top/bin/swaymo-setup")" in
  /*) fail "bin/swaymo-setup is absolute: it would break under DESTDIR or a moved prefix" ;;
esac

entry="$top/share/applications/swaymo-setup.desktop"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "desktop entry not valid"
grep -qx 'Exec=/opt/swaymo/bin/swaymo-setup' "$entry" || fail "Exec does not name the installed command"
grep -qx 'Icon=swaymo-setup' "$entry" || fail "Icon does not name the installed icon"
icon="$top/share/icons/hicolor/48x48/apps/swaymo-setup.png"
[ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon is not a PNG"
# PNG IHDR: width and height, big-endian, at bytes 16..23.
[ "$(od -An -j16 -N8 -tx1 "$icon" | tr -d ' \n')" = 0000003000000030 ] || fail "icon is not 48 x 48"
