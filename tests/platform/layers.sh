#!/bin/sh
# Fails when a folder of src/platform includes one that the graph in src/platform/README.md
# does not allow it, or when a folder is missing from the graph.
platform=${1:?usage: layers.sh SRC/platform}
graph=$(sed -n 's/^    \([a-z]*\):\(.*\)$/\1:\2/p' "$platform/README.md")
status=0
for dir in "$platform"/*/; do
    folder=$(basename "$dir")
    allowed=$(printf '%s\n' "$graph" | sed -n "s/^$folder://p")
    if ! printf '%s\n' "$graph" | grep -q "^$folder:"; then
        echo "src/platform/$folder is not in the graph"; status=1; continue
    fi
    for used in $(grep -ho '#include "platform/[a-z]*/' "$dir"* | sed 's|.*platform/||; s|/$||' | sort -u); do
        [ "$used" = "$folder" ] && continue
        case " $allowed " in
            *" $used "*) ;;
            *) echo "src/platform/$folder includes $used, which the graph does not allow"; status=1 ;;
        esac
    done
done
[ $status -eq 0 ] && echo "the platform folders follow the graph"
exit $status
