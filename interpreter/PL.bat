#!/bin/sh
# Zarvik runs this file, with no parameters and in whatever folder it was started from, after it
# has written entrada.txt to its working folder; the interpreter's answer goes to salida.log there.
# The working folder is $ZARVIK_WORK_DIR when the editor sets it. Otherwise the editor's own rule
# finds it: this file's folder when it is writable, else the user's data folder (an installed
# copy, which ordinary users cannot write).
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd -P) || exit 2
# Root may write an installed copy's folder (PREFIX/lib/zarvik), which every user reads: root's
# working files go to a folder of root's own there, as the editor's do. The permission bits
# decide, as for the editor: a folder that no one may write is read-only for root too.
rootfolder=
case $here in
*/lib/zarvik)
    if [ "$(id -u)" = 0 ] && [ -n "$(find "$here" -maxdepth 0 -perm /222)" ]; then
        rootfolder=$here/root
    fi ;;
esac
if [ -n "${ZARVIK_WORK_DIR:-}" ]; then
    work=${ZARVIK_WORK_DIR%/}
elif [ -n "$rootfolder" ]; then
    work=$rootfolder
    (umask 077 && mkdir -p -- "$work") || exit 2
elif [ -w "$here" ]; then
    work=$here
else
    data=${XDG_DATA_HOME:-}
    case $data in
    /*) ;;
    *) data=${HOME:?}/.local/share ;; # a relative XDG_DATA_HOME is to be ignored
    esac
    work=$data/zarvik
    (umask 077 && mkdir -p -- "$work") || exit 2
fi
# Everything written there is root's alone.
[ -n "$rootfolder" ] && [ "$work" = "$rootfolder" ] && umask 077
if [ ! -x "$here/zarvik-pl" ]; then
    # Windows-1252, like every salida.log: "no se encontró el intérprete". Written beside and then
    # renamed, so that a link planted at salida.log is replaced, not followed.
    temp=$(mktemp "$work/salida.log.XXXXXX") || exit 127
    printf 'No se encontr\363 el int\351rprete de l\363gica: %s\r\n' "$here/zarvik-pl" >"$temp" &&
        chmod "$(printf %o $((0666 & ~$(umask))))" "$temp" &&
        mv -f -T -- "$temp" "$work/salida.log" || rm -f -- "$temp"
    exit 127
fi
exec "$here/zarvik-pl" "$work/entrada.txt" "$work/salida.log"
