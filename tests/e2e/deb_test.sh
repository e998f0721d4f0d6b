#!/usr/bin/env bash
# The Debian package of a built tree, installed into this machine: cpack packs
# it, dpkg -i installs it, the installed program opens its window on Xvfb,
# dpkg -r removes it, and nothing of it is left. The machine is left as it was
# whatever happens. Needs root: skipped (exit 77) otherwise.
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$1
package=swaymo-setup
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "installing a package into the machine needs root"
for tool in cpack dpkg-shlibdeps Xvfb xdotool xwininfo appstreamcli desktop-file-validate lintian flock; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps installs it)"
done

# One package test at a time on this machine, whichever build it comes from.
exec 9>/run/lock/swaymo-deb-test.lock
flock -w 900 9 || fail "another package test kept its lock for 15 minutes"

state=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
case "$state" in
  "" | not-installed) ;;
  *) skip "$package is already on this machine ($state): the test will not replace it" ;;
esac

work=$(mktemp -d)
installed=0 program_pid="" xvfb_pid=""
cleanup() {
  set +e
  [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ "$installed" = 1 ] && dpkg_run --purge "$package" >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# dpkg, waiting while another package manager holds its lock.
dpkg_run() {
  local out i
  for i in $(seq 300); do
    if out=$(dpkg "$@" 2>&1); then
      printf '%s\n' "$out"
      return 0
    fi
    case "$out" in
      *"lock"*) sleep 1 ;;
      *) break ;;
    esac
  done
  printf '%s\n' "$out" >&2
  return 1
}

# The package of this build, as scripts/package makes it.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/"$package"_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libcurl libx11 libfreetype libudev; do
  [[ "$depends" == *"$library"* ]] || fail "Depends has no $library (shlibdeps): $depends"
done
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }

installed=1
dpkg_run -i "$deb" >/dev/null || fail "dpkg -i failed"
[ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$package")" = "ii " ] || fail "not installed"
[ "$(readlink -f /usr/bin/swaymo-setup)" = /usr/libexec/swaymo-setup/swaymo-setup ] ||
  fail "/usr/bin/swaymo-setup does not lead to the program"
desktop-file-validate /usr/share/applications/swaymo-setup.desktop || fail "desktop entry not valid"
grep -qx 'Exec=/usr/bin/swaymo-setup' /usr/share/applications/swaymo-setup.desktop ||
  fail "the desktop entry does not name /usr/bin/swaymo-setup"
appstreamcli validate --no-net /usr/share/metainfo/example.swaymo.setup.metainfo.xml >"$work/appstream.log" ||
  { cat "$work/appstream.log" >&2; fail "metainfo not valid"; }

# The installed program on a display of its own, in a private runtime and
# configuration folder, with no network and no drives.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=":$(cat "$work/display")"
mkdir -p -m 700 "$work/run" "$work/home"
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" \
  SWAYMO_SETTINGS_URL=http://127.0.0.1:9/swaymo_settings.asp SWAYMO_PROBE_URL=http://127.0.0.1:9/ \
  SWAYMO_DRIVES= /usr/bin/swaymo-setup 2>"$work/program.log" &
program_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$program_pid" 2>/dev/null | head -1) || true
[ -n "$window" ] || { cat "$work/program.log" >&2; fail "the installed program showed no window"; }
geometry=$(xwininfo -id "$window")
grep -q 'Map State: IsViewable' <<<"$geometry" || fail "the window is not viewable"
grep -q 'Width: 630' <<<"$geometry" && grep -q 'Height: 440' <<<"$geometry" ||
  fail "the window is not the wizard's 630 x 440: $geometry"
kill -TERM "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""

# Removal: every file the package brought is gone, and every folder of its own.
dpkg-query -L "$package" >"$work/files"
dpkg_run -r "$package" >/dev/null || fail "dpkg -r failed"
installed=0
state=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
[ -z "$state" ] || [ "$state" = not-installed ] || [ "$state" = config-files ] || fail "after dpkg -r: $state"
while IFS= read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A folder may stay when other packages keep files in it.
    [ -z "$(ls -A "$path")" ] && ! dpkg-query -S "$path" >/dev/null 2>&1 &&
      fail "empty folder left behind: $path"
  elif [ -e "$path" ] || [ -L "$path" ]; then
    fail "left behind: $path"
  fi
done <"$work/files"
for dir in /usr/libexec/swaymo-setup /usr/share/doc/swaymo-setup; do
  [ ! -e "$dir" ] || fail "left behind: $dir"
done
echo "installed, window seen, removed without a trace: $(basename "$deb")"
