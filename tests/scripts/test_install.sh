#!/usr/bin/env bash
# Installation and the Debian packages: an install into a temporary root with
# DESTDIR, the installed program run from an unrelated folder to the title and
# quit with the keyboard, the manual page, menu entry and software-centre entry
# checked by Debian's tools; the two packages (`vorlin`, the program, and
# `vorlin-data`, its data for every architecture) built and inspected
# (dpkg-deb, lintian, readelf), installed with dpkg into a private root, run
# from there, and purged without a trace.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
# The games run on an X server of their own, as in the other scripts.
private_x 1024x768x24 || exit 1
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
  check "$what: quits with exit code 0" '[ $rc -eq 0 ]' || { echo "exit code $rc"; game_stderr "$work/err" | tail -5; }
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
# The game's id names its software-centre entry and its menu entry.
metainfos=("$inst"/share/metainfo/*.metainfo.xml)
check "one software-centre entry installed" '[ ${#metainfos[@]} -eq 1 ] && [ -s "${metainfos[0]}" ]'
metainfo="${metainfos[0]}"
app_id="$(basename "$metainfo" .metainfo.xml)"
expected="games/vorlin share/games/vorlin/data/vorlin.dat share/games/vorlin/data/ending.dat
share/games/vorlin/data/endingtimes.txt share/applications/$app_id.desktop share/man/man6/vorlin.6.gz
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
desktop="$inst/share/applications/$app_id.desktop"
check "desktop-file-validate accepts the menu entry" 'desktop-file-validate "$desktop"'
check "menu entry starts the installed program by name" 'grep -qx "Exec=vorlin" "$desktop"'
check "menu entry names the installed icon" 'grep -qx "Icon=vorlin" "$desktop"'

# --- the software centres' entry: valid without a single warning, about the
# menu entry of its name, its newest release the changelog's newest entry
appstreamcli validate --no-net "$metainfo" > "$work/appstream.txt" 2>&1
rc=$?
check "appstreamcli validate: no errors, no warnings" \
  '[ $rc -eq 0 ] && ! grep -qE "^[EW]: " "$work/appstream.txt"' || cat "$work/appstream.txt"
check "software-centre entry is $app_id, launching its menu entry" \
  'grep -q "<id>$app_id</id>" "$metainfo" && grep -q ">$app_id.desktop</launchable>" "$metainfo"'
zcat "$inst/share/doc/vorlin/changelog.gz" > "$work/changelog"
version="$(dpkg-parsechangelog -l "$work/changelog" -S Version)"
released="$(date -u -d "$(dpkg-parsechangelog -l "$work/changelog" -S Date)" +%F)"
newest_release="$(grep -o "<release [^>]*>" "$metainfo" | head -1)"
check "newest release is the changelog's $version of $released" \
  '[[ $newest_release == *"version=\"$version\""* && $newest_release == *"date=\"$released\""* ]]'

# --- the Debian packages
pkgdir="$work/pkg"
(cd "$build" && cpack -G DEB -B "$pkgdir" > "$work/cpack.log" 2>&1)
rc=$?
check "cpack builds the packages" '[ $rc -eq 0 ]' || tail -20 "$work/cpack.log"
arch="$(dpkg --print-architecture)"
deb="$pkgdir/vorlin_${version}_$arch.deb"
data_deb="$pkgdir/vorlin-data_${version}_all.deb"
check "two packages: the program's for $arch and the data's for all" \
  '[ -f "$deb" ] && [ -f "$data_deb" ] && [ "$(ls "$pkgdir"/*.deb | wc -l)" -eq 2 ]'
if [ -f "$deb" ] && [ -f "$data_deb" ]; then
  field() { dpkg-deb -f "$1" "$2"; }
  for d in "$deb" "$data_deb"; do
    p="$(field "$d" Package)"
    check "$p: version $version, section games" \
      '[ "$(field "$d" Version)" = "$version" ] && [ "$(field "$d" Section)" = games ]'
    check "$p: a description" '[ "$(field "$d" Description | wc -l)" -gt 3 ]'
    dpkg-deb -c "$d" | awk '{print $1, $2, $6}' > "$work/contents.$p"
    check "$p: every file owned by root" '! grep -v " root/root " "$work/contents.$p"'
    check "$p: nothing outside /usr" '[ -z "$(awk "{print \$3}" "$work/contents.$p" | grep -v -e "^\./usr/" -e "^\./\$")" ]'
    for f in copyright changelog.gz; do
      check "$p: holds /usr/share/doc/$p/$f" 'grep -q " ./usr/share/doc/$p/$f\$" "$work/contents.$p"'
    done
  done
  check "package names" '[ "$(field "$deb" Package)" = vorlin ] && [ "$(field "$data_deb" Package)" = vorlin-data ]'
  check "the program's package is for $arch, the data's for all" \
    '[ "$(field "$deb" Architecture)" = "$arch" ] && [ "$(field "$data_deb" Architecture)" = all ]'
  check "the program depends on its data at exactly its version, and on the libraries it links" \
    'deps=$(field "$deb" Depends); [[ $deps == *"vorlin-data (= $version)"* && $deps == *liballegro4.4* &&
                                    $deps == *libmpg123-0* && $deps == *"libc6 (>="* ]]'
  # What each package holds (files only, relative to /usr) against the plain
  # installation: every installed file in exactly one package; the data's doc
  # folder and the notes to lintian are the packages' own.
  # (Lists are read from files: `| grep -q` under pipefail fails when grep
  # stops reading early.)
  for p in vorlin vorlin-data; do
    awk '$1 !~ /^d/ {print $3}' "$work/contents.$p" | sed 's|^\./usr/||' > "$work/files.$p"
  done
  cat "$work/files.vorlin" "$work/files.vorlin-data" |
    grep -v -e '^share/doc/vorlin-data/' -e '^share/lintian/overrides/' | sort > "$work/packaged"
  (cd "$inst" && find . -type f | sed 's|^\./||' | sort) > "$work/installed"
  check "every installed file is in exactly one package, and nothing else" \
    '[ -z "$(sort "$work/packaged" | uniq -d)" ] && diff "$work/installed" "$work/packaged"'
  check "the program's package holds no data" '! grep -q -e "^share/games/" -e "^share/icons/" "$work/files.vorlin"'
  check "the data's package holds the archives and icons" \
    'grep -qx share/games/vorlin/data/vorlin.dat "$work/files.vorlin-data" &&
     grep -qx share/icons/hicolor/48x48/apps/vorlin.png "$work/files.vorlin-data"'
  check "the data's package holds nothing but /usr/share" '! grep -qv "^share/" "$work/files.vorlin-data"'

  lintian -I --show-overrides --fail-on error,warning "$deb" "$data_deb" > "$work/lintian.txt" 2>&1
  rc=$?
  cat "$work/lintian.txt"
  check "lintian finds no errors or warnings" '[ $rc -eq 0 ] && ! grep -qE "^[EW]: " "$work/lintian.txt"'

  # --- installed with dpkg into a private root, whose database knows only the
  # libraries the program depends on (as they are installed here), so the
  # packages' own relations are what dpkg checks
  sysroot="$work/sysroot"
  admin="$sysroot/var/lib/dpkg"
  mkdir -p "$admin/info" "$admin/updates"
  : > "$admin/status"
  for name in $(field "$deb" Depends | tr ',|' '\n\n' | awk '{print $1}'); do
    dpkg-query -s "$name" > "$work/stanza" 2> /dev/null || continue
    { cat "$work/stanza"; echo; } >> "$admin/status"
    : > "$admin/info/$(dpkg-query -W -f='${binary:Package}' "$name").list"
  done
  not_root=()
  [ "$(id -u)" -eq 0 ] || not_root=(--force-not-root)
  # dpkg wants ldconfig and start-stop-daemon on the PATH; its log is kept here.
  private_dpkg() { PATH="/usr/sbin:/sbin:$PATH" dpkg --root="$sysroot" --log="$work/dpkg.log" "${not_root[@]}" "$@"; }
  status_of() { dpkg-query --admindir="$admin" -W -f='${Status}' "$1" 2> /dev/null; }

  private_dpkg -i "$deb" > "$work/dpkg.out" 2>&1
  rc=$?
  check "dpkg refuses to set up the program without its data" \
    '[ $rc -ne 0 ] && grep -qF "vorlin depends on vorlin-data (= $version)" "$work/dpkg.out"'
  private_dpkg -i "$data_deb" "$deb" > "$work/dpkg.out" 2>&1
  rc=$?
  check "dpkg installs both packages" \
    '[ $rc -eq 0 ] && [ "$(status_of vorlin)" = "install ok installed" ] &&
     [ "$(status_of vorlin-data)" = "install ok installed" ]' || cat "$work/dpkg.out"

  program="$sysroot/usr/games/vorlin"
  check_runs "program installed from the packages" "$program"

  # The installed program: stripped as Debian strips, and built with the
  # hardening flags (relro and bind-now in its headers, the stack protector's
  # and the fortified calls of the C library among what it imports).
  readelf -SW "$program" | sed -n 's/^ *\[ *[0-9]*\] \([^ ]*\).*/\1/p' > "$work/sections"
  readelf -lW "$program" > "$work/segments"
  readelf -dW "$program" > "$work/dynamic"
  readelf --dyn-syms -W "$program" | awk '$7 == "UND" {print $8}' | sed 's/@.*//' > "$work/imports"
  check "installed program has no symbol table, .comment or .note section" \
    'grep -qx .text "$work/sections" && ! grep -qxE "\.symtab|\.comment|\.note" "$work/sections"'
  check "installed program: relro" 'grep -q GNU_RELRO "$work/segments"'
  check "installed program: bind-now" 'grep -qE "BIND_NOW|FLAGS_1.* NOW" "$work/dynamic"'
  check "installed program: stack protector" 'grep -qx __stack_chk_fail "$work/imports"'
  check "installed program: fortified calls" 'grep -qxE "__[a-z0-9_]+_chk" "$work/imports"'

  private_dpkg -r vorlin-data > "$work/dpkg.out" 2>&1
  rc=$?
  # (The refused removal still marks the package for removal: "deinstall ok installed".)
  check "dpkg keeps the data while the program needs it" \
    '[ $rc -ne 0 ] && [[ "$(status_of vorlin-data)" == *" ok installed" ]] &&
     [ -s "$sysroot/usr/share/games/vorlin/data/vorlin.dat" ]' || cat "$work/dpkg.out"
  private_dpkg --purge vorlin vorlin-data > "$work/dpkg.out" 2>&1
  rc=$?
  check "dpkg purges both packages" '[ $rc -eq 0 ]' || cat "$work/dpkg.out"
  leftovers() { find "$sysroot" -mindepth 1 -not -path "$sysroot/var" -not -path "$sysroot/var/lib" \
                  -not -path "$admin" -not -path "$admin/*"; ls "$admin/info" | grep vorlin; }
  check "nothing left behind after the purge" '[ -z "$(leftovers)" ] && [ -z "$(status_of vorlin)$(status_of vorlin-data)" ]' ||
    leftovers
fi

exit $fail
