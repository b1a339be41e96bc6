#!/bin/sh
# layers.sh must pass the tree as it is and fail it with any one forbidden include added: a
# check that passes everything would otherwise go unnoticed.
set -u
source=${1:?usage: layers_selftest.sh SOURCE-ROOT}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-layers.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$source" && tar cf - --exclude=resources ARCHITECTURE.md logic interpreter src tools doc) |
    (cd "$work" && tar xf - && mkdir tests bench fuzz)
status=0

sh "$here/layers.sh" "$work" >"$work/out" || {
    echo "FAIL: the tree as it is: $(cat "$work/out")"
    status=1
}

# expect FILE LINE MESSAGE: with LINE added to FILE, the check fails and says MESSAGE.
expect() {
    cp "$work/$1" "$work/saved"
    printf '%s\n' "$2" >>"$work/$1"
    if sh "$here/layers.sh" "$work" >"$work/out"; then
        echo "FAIL: $1 with $2 passed"
        status=1
    elif ! grep -qF -e "$3" "$work/out"; then
        echo "FAIL: $1 with $2 said: $(cat "$work/out")"
        status=1
    fi
    mv "$work/saved" "$work/$1"
}

expect logic/syntax/Formula.h '#include <QString>' 'logic/syntax/Formula.h includes QString: logic/syntax may not use'
expect logic/syntax/Formula.h '#include "QtCore/qglobal.h"' 'logic/syntax may not use Qt'
expect logic/syntax/Formula.h '#include "Unit1.h"' 'includes src/Unit1.h: the graph has no logic/syntax -> src'
expect logic/syntax/Parser.cpp '#include "../src/check/CheckWindow.h"' 'no logic/syntax -> src/check'
expect logic/syntax/Parser.cpp '#include "Verdicts.h"' 'no logic/syntax -> interpreter'
expect interpreter/src/Program.cpp '#include <QFile>' 'interpreter may not use Qt'
expect interpreter/src/Program.cpp '#include "platform/app/Application.h"' \
    'no interpreter -> src/platform'
expect src/Unit1.cpp '#include "tableau/Tableau.h"' 'src/Unit1.cpp includes logic/tableau/Tableau.h'
expect src/platform/rtf/RtfReader.cpp '#include "Unit3.h"' 'no src/platform -> src'
expect src/Palette.h '#include "Unit1.h"' 'no src/Palette.h -> src'
expect src/platform/rtf/RtfReader.cpp '#include "platform/dialogs/Dialogs.h"' \
    'src/platform/rtf includes dialogs'
expect tools/zvkconv.cpp '#include "platform/richedit/RichEdit.h"' 'no tools -> src/platform'
expect tools/zvkconv.cpp '#include <worksheet/Api.h>' 'no tools -> logic'
expect doc/manualhtml.cpp '#include "platform/app/Application.h"' 'no doc -> src/platform'

# Inside the engine: its folders one way, no circle of includes, no two files of one name.
expect logic/syntax/Parser.cpp '#include "tableau/Tableau.h"' 'the graph has no logic/syntax -> logic/tableau'
expect logic/models/Models.cpp '#include "tableau/WorldTableau.h"' 'no logic/models -> logic/tableau'
expect logic/deduction/Checker.cpp '#include "worksheet/Api.h"' 'no logic/deduction -> logic/worksheet'
expect logic/propositional/Sat.cpp '#include "Engine.h"' 'no logic/propositional -> logic'
expect logic/syntax/Logic.h '#include "LargeStack.h"' 'no logic/syntax -> logic/LargeStack.h'
expect logic/worksheet/Api.h '#include "worker/Protocol.h"' 'no logic/worksheet -> logic/worker'
expect logic/tableau/ProofTree.h '#include "WorldTableau.h"' 'include circle: logic/tableau/'
expect logic/worksheet/Results.h '#include "Answers.h"' 'include circle: logic/worksheet/'
cp "$work/ARCHITECTURE.md" "$work/saved"
sed -i 's|^logic/syntax:$|logic/syntax: logic/tableau|' "$work/ARCHITECTURE.md"
sh "$here/layers.sh" "$work" | grep -qF 'graph circle:' || {
    echo "FAIL: a circle in the graph passed"
    status=1
}
mv "$work/saved" "$work/ARCHITECTURE.md"
echo '#pragma once' >"$work/logic/models/Parser.h"
sh "$here/layers.sh" "$work" | grep -qF 'share a name' || {
    echo "FAIL: two files of one name passed"
    status=1
}
rm "$work/logic/models/Parser.h"

mkdir "$work/worker" && echo 'int main() {}' >"$work/worker/main.cpp"
sh "$here/layers.sh" "$work" | grep -qF 'worker/main.cpp: its folder is not in the graph' || {
    echo "FAIL: a folder outside the graph passed"
    status=1
}

[ $status -eq 0 ] && echo "PASS"
exit $status
