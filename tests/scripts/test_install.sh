#!/usr/bin/env bash
# Installation and the Debian package: an install into a temporary root with
# DESTDIR, the installed program run from an unrelated folder to the title and
# quit with the keyboard, the manual page and menu entry checked by Debian's
# tools, the .deb built and inspected (dpkg-deb, lintian), unpacked with dpkg -x
# and run from there.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
mkdir -p "$work/elsewhere" "$work/home"

# Starts the program from $work/elsewhere and quits it with ESC; the exit
# code is the program's.
run_and_quit() {
  (cd "$work/elsewhere" && exec env HOME="$work/home" "$@" -win > "$work/out" 2> "$work/err") &
  quit_with_escape $!
}

# Runs an installed program: exit 0 after quitting, its settings in HOME and
# nothing left in the folder it was started from.
check_runs() {
  local what="$1" program="$2"
  rm -f "$work/home/vorlin-settings.cfg"
  run_and_quit "$program"
  local rc=$?
  check "$what: quits with exit code 0" '[ $rc -eq 0 ]'
  check "$what: reached the end of start-up" 'grep -qx "Done!" "$work/out"'
  check "$what: settings file in HOME" 'grep -q "^title_song = 0" "$work/home/vorlin-settings.cfg"'
  check "$what: nothing written where it was started" '[ -z "$(ls -A "$work/elsewhere")" ]'
}

# --- cmake --install into a temporary root, under a prefix the build never saw
prefix=/opt/vorlin-test
root="$work/destdir"
DESTDIR="$root" cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1
rc=$?
check "cmake --install succeeds" '[ $rc -eq 0 ]'
inst="$root$prefix"
expected="games/vorlin share/games/vorlin/data/vorlin.dat share/games/vorlin/data/ending.dat
share/games/vorlin/data/endingtimes.txt share/applications/vorlin.desktop share/man/man6/vorlin.6.gz
share/doc/vorlin/copyright share/doc/vorlin/changelog.gz"
for n in 16 32 48 64 128 256; do expected="$expected share/icons/hicolor/${n}x$n/apps/vorlin.png"; done
for f in $expected; do check "installed $f" '[ -s "$inst/$f" ]'; done
check "program is executable" '[ -x "$inst/games/vorlin" ]'
for n in 16 32 48 64 128 256; do
  check "icon ${n}x$n has that size" \
    '[ "$(identify -format "%wx%h" "$inst/share/icons/hicolor/${n}x$n/apps/vorlin.png")" = "${n}x$n" ]'
done

check_runs "installed program" "$inst/games/vorlin"

# The override wins: a data directory that is not there ends with the archive's
# message, even started from the build directory, whose data/ would do
# (xmessage is kept off the PATH so the message box cannot wait).
(cd "$build" && HOME="$work/home" VORLIN_DATA_DIR="$work/nowhere" bounded $FATAL_RUN_S \
  env PATH=/nonexistent "$inst/games/vorlin" -win > /dev/null 2> "$work/err2")
rc=$?
check "missing VORLIN_DATA_DIR exits 1" '[ $rc -eq 1 ]'
check "missing VORLIN_DATA_DIR gives the archive message" \
  'grep -qx "Fatal error:  Cannot load data archive:  data/vorlin.dat!!!" "$work/err2"'

# --- manual page and menu entry
man="$inst/share/man/man6/vorlin.6.gz"
zcat "$man" | groff -ww -man -Tutf8 -z > /dev/null 2> "$work/groff.err"
rc=$?
check "manual page renders without warnings" '[ $rc -eq 0 ] && [ ! -s "$work/groff.err" ]'
MANWIDTH=80 man --warnings -l "$man" > "$work/man.txt" 2> "$work/man.err"
rc=$?
check "man -l renders it without warnings" '[ $rc -eq 0 ] && [ ! -s "$work/man.err" ]'
check "manual page has its whatis line" '[ "$(lexgrog "$man")" = "$man: \"vorlin - top-down arcade shooter in eight walled arenas\"" ]'
for opt in -win -scale -bpp -debug -nomp3 vorlin-settings.cfg title_song control0 VORLIN_DATA_DIR; do
  check "manual page describes $opt" 'grep -q -- "$opt" "$work/man.txt"'
done
check "manual page keeps the level-select option hidden" '! grep -qi warp "$work/man.txt"'
desktop="$inst/share/applications/vorlin.desktop"
check "desktop-file-validate accepts the menu entry" 'desktop-file-validate "$desktop"'
check "menu entry starts the installed program by name" 'grep -qx "Exec=vorlin" "$desktop"'
check "menu entry names the installed icon" 'grep -qx "Icon=vorlin" "$desktop"'

# --- the Debian package
pkgdir="$work/pkg"
(cd "$build" && cpack -G DEB -B "$pkgdir" > "$work/cpack.log" 2>&1)
rc=$?
check "cpack builds the .deb" '[ $rc -eq 0 ]'
deb="$(ls "$pkgdir"/vorlin_*.deb 2>/dev/null | head -1)"
check "one .deb file" '[ -f "$deb" ]'
if [ -f "$deb" ]; then
  field() { dpkg-deb -f "$deb" "$1"; }
  check "package name" '[ "$(field Package)" = vorlin ]'
  check "section games" '[ "$(field Section)" = games ]'
  check "dependencies computed from the program" \
    'deps=$(field Depends); [[ $deps == *liballegro4.4* && $deps == *libmpg123-0* && $deps == *"libc6 (>="* ]]'
  check "a description" '[ "$(field Description | wc -l)" -gt 3 ]'
  dpkg-deb -c "$deb" | awk '{print $1, $2, $6}' > "$work/contents"
  for f in usr/games/vorlin usr/share/games/vorlin/data/vorlin.dat usr/share/games/vorlin/data/ending.dat \
           usr/share/games/vorlin/data/endingtimes.txt usr/share/applications/vorlin.desktop \
           usr/share/icons/hicolor/48x48/apps/vorlin.png usr/share/man/man6/vorlin.6.gz \
           usr/share/doc/vorlin/copyright usr/share/doc/vorlin/changelog.gz; do
    check "package holds /$f" 'grep -q " ./$f\$" "$work/contents"'
  done
  check "every file owned by root" '! grep -v " root/root " "$work/contents"'
  outside_usr() { awk '{print $3}' "$work/contents" | grep -v -e '^\./usr/' -e '^\./$'; }
  check "nothing outside /usr" '[ -z "$(outside_usr)" ]'
  lintian --fail-on error "$deb" > "$work/lintian.txt" 2>&1
  rc=$?
  cat "$work/lintian.txt"
  check "lintian finds no errors" '[ $rc -eq 0 ] && ! grep -q "^E: " "$work/lintian.txt"'

  dpkg -x "$deb" "$work/unpacked"
  check_runs "program unpacked from the .deb" "$work/unpacked/usr/games/vorlin"
fi

exit $fail
