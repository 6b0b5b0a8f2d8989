#!/usr/bin/env bash
# Checks the include graph of the project's own units (a header and its sources are one unit):
#   - no cycle among the units (tsort finds one, and names it);
#   - every include points down the layers: platform <- model <- settings <- loader <- toolkit
#     <- viewer, options <- plugin; the viewer and the options dialog are siblings and neither
#     includes the other.
#   scripts/check-includes.sh            # the checks; exit 1 on a finding
#   scripts/check-includes.sh --levels   # also each unit with its level (0: includes none of ours)
#   scripts/check-includes.sh --dot      # the graph for Graphviz instead
set -u
cd "$(dirname "$0")/.."
FOLDERS="platform model settings loader toolkit viewer options plugin"

# "unit included-unit" for every #include "folder/name.h" of our folders.
edges() {
  local folder file
  for folder in $FOLDERS; do
    [ -d "$folder" ] || continue
    for file in "$folder"/*.h "$folder"/*.cpp; do
      [ -f "$file" ] || continue
      sed -n 's/^#include "\([a-z]*\/[A-Za-z0-9_]*\)\.h".*/\1/p' "$file" |
        while read -r target; do echo "${file%.*} $target"; done
    done
  done | sed -E 's/_(win32|posix) / /' | awk '$1 != $2' | sort -u
}

EDGES=$(edges)

if [ "${1:-}" = --dot ]; then
  echo "digraph includes {"
  echo "$EDGES" | awk '{ printf "  \"%s\" -> \"%s\";\n", $1, $2 }'
  echo "}"
  exit 0
fi

STATUS=0
if ! LOOP=$(echo "$EDGES" | tsort 2>&1 >/dev/null) || [ -n "$LOOP" ]; then
  echo "include cycles:"
  echo "$LOOP" | sed 's/^tsort: //; s/^-: input contains a loop:/loop:/' | head -n 30
  STATUS=1
fi

WRONG=$(echo "$EDGES" | awk -v order="$FOLDERS" '
  BEGIN { n = split(order, f, " "); for (i = 1; i <= n; i++) rank[f[i]] = i }
  {
    split($1, a, "/"); split($2, b, "/")
    # options and the viewer both sit on the toolkit, side by side: neither reaches the other.
    if (rank[b[1]] > rank[a[1]] || (a[1] == "options" && b[1] == "viewer")) print $1 " includes " $2
  }')
if [ -n "$WRONG" ]; then
  echo "includes against the layers:"
  echo "$WRONG"
  STATUS=1
fi

if [ "${1:-}" = --levels ] && [ "$STATUS" = 0 ]; then
  echo "$EDGES" | awk '
    { deps[$1] = deps[$1] " " $2; units[$1] = 1; units[$2] = 1 }
    function level(u,   n, d, i, best, l) {
      if (u in memo) return memo[u]
      best = 0
      n = split(deps[u], d, " ")
      for (i = 1; i <= n; i++) { l = level(d[i]) + 1; if (l > best) best = l }
      return memo[u] = best
    }
    END { for (u in units) print level(u), u }' | sort -k2,2 | sort -s -n -k1,1
fi
[ "$STATUS" = 0 ] && echo "include graph: $(echo "$EDGES" | wc -l) includes between units, no cycle, all pointing down"
exit "$STATUS"
