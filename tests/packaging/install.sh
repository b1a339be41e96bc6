#!/bin/sh
# make install's tree, staged with DESTDIR and PREFIX, and the Debian package of it: every file
# where the desktop looks for it, and the three validators content (desktop-file-validate,
# appstreamcli, lintian with no error).
set -u
build=${ZV_BUILD_DIR:?}
for tool in desktop-file-validate appstreamcli lintian cpack dpkg-shlibdeps; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
stage=$(mktemp -d /tmp/zarvik-install.XXXXXX)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

make -C "$ZV_SOURCE_DIR" install BUILD="$build" PREFIX=/opt/zv DESTDIR="$stage/root" \
  >"$stage/install.log" 2>&1 || { cat "$stage/install.log"; fail "make install"; }
top="$stage/root/opt/zv"
for f in lib/zarvik/Zarvik lib/zarvik/zarvik-pl lib/zarvik/zarvik-logic lib/zarvik/PL.bat bin/zvkconv; do
  [ -f "$top/$f" ] && [ -x "$top/$f" ] || fail "$f is missing or not executable"
done
ls "$top"/lib/zarvik/ejemplo.* >/dev/null 2>&1 || fail "no sample program"
# The commands are relative links, so the staged tree works wherever it lands.
link=$(readlink "$top/bin/zarvik")
[ "$link" = ../lib/zarvik/Zarvik ] || fail "bin/zarvik: $link"
[ -x "$top/bin/zarvik-pl" ] || fail "bin/zarvik-pl does not reach the interpreter"
for f in applications/zarvik.desktop mime/packages/zarvik.xml \
         icons/hicolor/scalable/apps/zarvik.svg \
         icons/hicolor/scalable/mimetypes/application-x-zarvik.svg man/man1/zarvik.1.gz \
         man/man1/zvkconv.1.gz man/man1/zarvik-pl.1.gz doc/zarvik/copyright \
         doc/zarvik/manual.html; do
  [ -s "$top/share/$f" ] || fail "share/$f is missing"
done
metainfo=$(ls "$top"/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
[ -n "$metainfo" ] || fail "no AppStream metainfo"

entry="$top/share/applications/zarvik.desktop"
desktop-file-validate "$entry" | grep -v ': hint: ' | grep . && fail "desktop-file-validate"
grep -qx 'Exec=zarvik %f' "$entry" && grep -qx 'MimeType=application/x-zarvik;' "$entry" &&
  grep -qx 'Categories=Education;Office;' "$entry" || fail "the desktop entry: $(cat "$entry")"
appstreamcli validate --no-net "$metainfo" >"$stage/appstream.log" 2>&1 ||
  { cat "$stage/appstream.log"; fail "appstreamcli validate"; }

# The package: its dependencies name what the program loads by name, and lintian finds no error.
(cd "$stage" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$stage/deb") \
  >"$stage/cpack.log" 2>&1 ||
  { cat "$stage/cpack.log"; fail "cpack"; }
deb=$(ls "$stage"/deb/zarvik_*.deb | head -n 1)
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6printsupport6 libqt6svg6 qt6-translations-l10n fonts-dejavu-core \
         fonts-symbola; do
  echo "$depends" | grep -q "\\b$p\\b" || fail "Depends lacks $p: $depends"
done
dpkg-deb -c "$deb" | grep -q ' ./usr/lib/zarvik/Zarvik$' || fail "not installed in /usr/lib/zarvik"
lintian --no-tag-display-limit "$deb" >"$stage/lintian.log" 2>&1
grep '^E:' "$stage/lintian.log" && fail "lintian"

# Purging leaves nothing, whatever a run as root left in the program's folder. dpkg installs the
# package into a staged root, not this machine's, and runs its maintainer scripts outside a
# chroot with DPKG_ROOT naming that root, as postrm expects.
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: purging a staged installation needs root"
  echo "PASS"
  exit 0
fi
r="$stage/dpkgroot"
mkdir -p "$r/var/lib/dpkg/info" "$r/var/lib/dpkg/updates" "$r/var/lib/dpkg/triggers"
: >"$r/var/lib/dpkg/status"
staged_dpkg() {
  dpkg --root="$r" --force-script-chrootless --force-depends --log=/dev/null "$@" \
    >>"$stage/dpkg.log" 2>&1 || { cat "$stage/dpkg.log"; fail "dpkg $*"; }
}
staged_dpkg -i "$deb"
lib="$r/usr/lib/zarvik"
# A run as root makes root's own folder; then one is killed in the middle of writing its
# salida.log, as kill -9 leaves it: the library stops it there.
(cd / && env -u ZARVIK_WORK_DIR "$lib/PL.bat") >/dev/null 2>&1
(umask 077 && printf 'p V q\r\n' >"$lib/root/entrada.txt")
stopper="$build/tests/interpreter/libzv_stop_at_write.so"
[ -f "$stopper" ] || fail "the library that stops zarvik-pl was not built: $stopper"
(cd / && LD_PRELOAD="$stopper" ASAN_OPTIONS=verify_asan_link_order=0 exec "$lib/PL.bat") &
pid=$!
i=0
until [ "$(sed 's/.*) \(.\).*/\1/' "/proc/$pid/stat" 2>/dev/null)" = T ]; do
  i=$((i + 1))
  [ "$i" -lt 100 ] || fail "zarvik-pl never reached its write"
  sleep 0.1
done
kill -9 "$pid"
wait "$pid" 2>/dev/null
left=$(ls "$lib/root" | grep -c '^salida\.log\.')
[ "$left" = 1 ] || fail "the killed run left no temporary: $(ls -la "$lib/root")"
[ "$(stat -c %a "$lib/root")" = 700 ] || fail "root's folder: $(stat -c %a "$lib/root")"
for f in "$lib"/root/*; do
  [ "$(stat -c %a "$f")" = 600 ] || fail "$f: $(stat -c %a "$f")"
done
staged_dpkg -P zarvik
[ ! -e "$lib" ] || fail "the purge left $(find "$lib")"
echo "PASS"
