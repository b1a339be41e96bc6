#!/bin/sh
# Zarvik runs this file, with no parameters and in whatever folder it was started from, after it
# has written entrada.txt beside itself. The interpreter's answer goes to salida.log beside it.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd -P) || exit 2
if [ ! -x "$here/zarvik-pl" ]; then
    # Windows-1252, like every salida.log: "no se encontró el intérprete".
    printf 'No se encontr\363 el int\351rprete de l\363gica: %s\r\n' "$here/zarvik-pl" >"$here/salida.log"
    exit 127
fi
exec "$here/zarvik-pl" "$here/entrada.txt" "$here/salida.log"
