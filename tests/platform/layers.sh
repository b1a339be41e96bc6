#!/bin/sh
# Fails when a source file includes one that the layer graph does not allow: the graph of the
# tree's folders in ARCHITECTURE.md, and inside src/platform the graph of its folders in
# src/platform/README.md. Every folder that holds C++ must be in the graph; a file may be a node
# of its own. The graph itself must run one way, no two sources may share a name (an include by
# name would be ambiguous), and no file may reach itself through includes, a header and its
# .cpp counting as one.
#
# An include is looked up as the compiler could find it, whatever the include path: beside the
# including file, else as the tail of the path of any file of the tree. Otherwise <Q…> and
# <q….h> are Qt, and anything else is left to the compiler.
root=${1:?usage: layers.sh SOURCE-ROOT}
cd "$root" || exit 2
status=0

# The sources; hidden folders and build trees (a folder holding a CMakeCache.txt) left out. The
# whole check is a handful of processes: on a loaded machine each one started costs seconds.
list="${TMPDIR:-/tmp}/layers.$$"
trap 'rm -f "$list" "$list.dirs"' EXIT
find . -name '.?*' -prune -o -type d -printf 'dir %p\n' -o -type f \( -name '*.h' -o -name '*.hpp' \
    -o -name '*.cpp' -o -name CMakeCache.txt \) -printf 'file %p\n' | sed 's|^\([a-z]*\) \./|\1 |' |
    sort -k2 | awk -v dirs="$list.dirs" '
    $2 ~ /(^|\/)CMakeCache\.txt$/ { d = $2; sub(/\/?CMakeCache\.txt$/, "", d); build[d] = 1; next }
    { kind[++n] = $1; all[n] = $2 }
    END {
        for (i = 1; i <= n; ++i) {
            keep = 1
            for (d in build)
                if (d == "" || all[i] == d || index(all[i], d "/") == 1) keep = 0
            if (keep && kind[i] == "file") print all[i]
            else if (keep) print all[i] >dirs
        }
    }' >"$list"

{
    sed -n '/^```layers$/,/^```$/{/^```/d;s/#.*//;/:/s/^/graph /p;}' ARCHITECTURE.md
    sed 's/^/file /' "$list"
    sed 's/^/dir /' "$list.dirs"
    # Inside the platform layer, its own graph: a line names a folder and every folder it may
    # include.
    sed -n 's/^    \([a-z]*\):\(.*\)$/subgraph \1:\2/p' src/platform/README.md
    # shellcheck disable=SC2046
    grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' /dev/null \
        $(cat "$list") | sed 's/^/include /'
} | awk '
function owner(path,    n, best) {
    best = ""
    for (n in nodes)
        if ((path == n || index(path, n "/") == 1) && length(n) > length(best))
            best = n
    return best
}
# The path with "." and ".." taken out.
function clean(path,    parts, n, i, out, k) {
    n = split(path, parts, "/")
    k = 0
    for (i = 1; i <= n; ++i) {
        if (parts[i] == "." || parts[i] == "") continue
        if (parts[i] == ".." && k > 0 && stack[k] != "..") { --k; continue }
        stack[++k] = parts[i]
    }
    out = ""
    for (i = 1; i <= k; ++i) out = out (i > 1 ? "/" : "") stack[i]
    return out
}
# Whether folder n may include file c, of folder m: a target names m whole, or a part of it.
function allows(n, c, m,    t, i, k, list) {
    k = split(targets[n], list, " ")
    for (i = 1; i <= k; ++i) {
        t = list[i]
        if (t != "Qt" && owner(t) == m && (c == t || index(c, t "/") == 1)) return 1
    }
    return 0
}
function has(n, what) { return index(" " targets[n] " ", " " what " ") > 0 }
function unit(path) { sub(/\.(h|hpp|cpp)$/, "", path); return path }
function edge(a, b) {
    if (a == b || index(" " adj[a] " ", " " b " ") > 0) return
    adj[a] = adj[a] " " b
    vertex[a] = 1; vertex[b] = 1
}
# Depth first from u; a vertex met again while still open closes a circle, which is reported once.
function visit(u, what,    i, k, list, v, j, path) {
    color[u] = 1
    open_[++depth] = u
    k = split(adj[u], list, " ")
    for (i = 1; i <= k; ++i) {
        v = list[i]
        if (color[v] == 1) {
            path = v
            for (j = depth; j > 0 && open_[j] != v; --j) path = open_[j] " -> " path
            fail(what " circle: " v " -> " path)
        } else if (color[v] == 0) visit(v, what)
    }
    color[u] = 2
    --depth
}
function circles(what,    u) {
    for (u in color) delete color[u]
    for (u in vertex) color[u] = 0
    depth = 0
    for (u in vertex) if (color[u] == 0) visit(u, what)
}
function fail(message) { print message; status = 1 }

$1 == "graph" {
    sub(/^graph /, "")
    split($0, kv, ":")
    nodes[kv[1]] = 1
    targets[kv[1]] = kv[2]
    next
}
$1 == "subgraph" {
    sub(/^subgraph /, "")
    split($0, kv, ":")
    platformAllows[kv[1]] = " " kv[2] " "
    next
}
$1 == "dir" { inTree[$2] = 1; next }
$1 == "file" {
    files[++nfiles] = $2; isfile[$2] = 1
    if ($2 ~ /^src\/platform\/[^\/]+\//) {
        folder = $2; sub(/^src\/platform\//, "", folder); sub(/\/.*/, "", folder)
        platformFolder[folder] = 1
    }
    inTree[$2] = 1
    base = $2; sub(/.*\//, "", base)
    if ((base in named) && named[base] != $2) fail($2 " and " named[base] " share a name")
    named[base] = $2
    next
}
$1 == "include" {
    sub(/^include /, "")
    colon = index($0, ":")
    f = substr($0, 1, colon - 1)
    line = substr($0, colon + 1)
    sub(/^[[:space:]]*#[[:space:]]*include[[:space:]]*/, "", line)
    quoted = substr(line, 1, 1) == "\""
    name = substr(line, 2)
    sub(/[>"].*/, "", name)
    if (f ~ /^src\/platform\/[^\/]+\/[^\/]+$/ && name ~ /^platform\/[a-z]*\//) {
        from = f; sub(/^src\/platform\//, "", from); sub(/\/.*/, "", from)
        used = name; sub(/^platform\//, "", used); sub(/\/.*/, "", used)
        if (used != from && (from in platformAllows) && index(platformAllows[from], " " used " ") == 0)
            platformFault[from " includes " used] = 1
    }
    n = owner(f)
    if (n == "" || has(n, "*")) next

    # The files it may reach: beside the includer first, else by the tail of their path.
    dir = f; sub(/\/?[^\/]*$/, "", dir)
    found = ""
    beside = clean(dir "/" name)
    if (quoted && (beside in isfile)) {
        found = beside
    } else {
        tail = name; sub(/.*\.\.\//, "", tail); tail = "/" tail
        for (i = 1; i <= nfiles; ++i)
            if (substr("/" files[i], length(files[i]) + 2 - length(tail)) == tail)
                found = found " " files[i]
    }
    if (found == "") {
        if ((name ~ /^Q/ || name ~ /^q[a-z0-9_]*\.h$/) && !has(n, "Qt"))
            fail(f " includes " name ": " n " may not use Qt")
        next
    }
    k = split(found, candidates, " ")
    for (i = 1; i <= k; ++i) includes[unit(f) SUBSEP unit(candidates[i])] = 1
    # A name that a file of the includer'"'"'s own folder bears is taken to be that file.
    for (i = 1; i <= k; ++i)
        if (owner(candidates[i]) == n) next
    for (i = 1; i <= k; ++i) {
        m = owner(candidates[i])
        if (!allows(n, candidates[i], m))
            fail(f " includes " candidates[i] ": the graph has no " n " -> " (m == "" ? "(none)" : m))
    }
    next
}
END {
    for (pair in includes) {
        split(pair, ends, SUBSEP)
        edge(ends[1], ends[2])
    }
    circles("include")
    for (u in vertex) delete vertex[u]
    for (u in adj) delete adj[u]
    for (n in nodes) {
        k = split(targets[n], list, " ")
        for (i = 1; i <= k; ++i)
            if (list[i] != "Qt" && list[i] != "*" && owner(list[i]) != "" && owner(list[i]) != n)
                edge(n, owner(list[i]))
    }
    circles("graph")
    for (n in nodes)
        if (!(n in inTree)) fail("the graph names " n ", which is not in the tree")
    for (folder in platformFolder)
        if (!(folder in platformAllows))
            fail("src/platform/" folder " is not in the graph of src/platform/README.md")
    for (fault in platformFault)
        fail("src/platform/" fault ", which src/platform/README.md does not allow")
    for (i = 1; i <= nfiles; ++i)
        if (owner(files[i]) == "") fail(files[i] ": its folder is not in the graph")
    exit status
}' || status=1

[ $status -eq 0 ] && echo "the folders follow the layer graph"
exit $status
