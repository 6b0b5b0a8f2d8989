#!/usr/bin/env bash
# Checks the archive that package.sh wrote, as the file manager and a user will meet it:
#   packaging/check-package.sh DIR [SKERRIN-DUMP]
# unpacks out/skerrin-<version>.zip into DIR (emptied first) and checks that it holds exactly the
# five files, that pluginst.inf is what the file manager's installer reads and names files that
# are there, that each plug-in file is built for its processor and carries the version in its
# version resource, and (when given) that skerrin-dump reports the same version.
# The exports and imports of the unpacked files are checked by test.sh with its own helpers.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=${1:?usage: check-package.sh DIR [SKERRIN-DUMP]}
DUMP=${2:-}
FAILED=0
problem() { echo "package: $*"; FAILED=1; }

VERSION=$(sed -n 's/^project(Skerrin VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "$ROOT/CMakeLists.txt")
[ -n "$VERSION" ] || { problem "no version in project() of CMakeLists.txt"; exit 1; }
ZIP=$ROOT/out/skerrin-$VERSION.zip
[ -f "$ZIP" ] || { problem "$ZIP is missing"; exit 1; }
echo "$(basename "$ZIP"): $(stat -c %s "$ZIP") bytes"

WANTED=$(printf '%s\n' Skerrin.wlx64 Skerrin.wlx pluginst.inf readme.txt Skerrin.sample.ini | sort)
HELD=$(cmake -E tar tf "$ZIP" | sort)
[ "$HELD" = "$WANTED" ] || problem "the archive holds:" $HELD

rm -rf "$DIR"
mkdir -p "$DIR"
(cd "$DIR" && cmake -E tar xf "$ZIP") || { problem "cannot unpack $ZIP"; exit 1; }

# pluginst.inf: one [plugininfo] section of key=value lines.
INF=$DIR/pluginst.inf
inf_value() { tr -d '\r' <"$INF" | sed -n "s/^$1=//p"; }
[ "$(tr -d '\r' <"$INF" | grep -v '^$' | head -n 1)" = "[plugininfo]" ] || problem "pluginst.inf does not start with [plugininfo]"
[ "$(tr -d '\r' <"$INF" | grep -c '^\[')" = 1 ] || problem "pluginst.inf has more than one section"
for pair in type=wlx file=Skerrin.wlx name=Skerrin defaultdir=Skerrin "version=$VERSION"; do
  [ "$(inf_value "${pair%%=*}")" = "${pair#*=}" ] || problem "pluginst.inf: ${pair%%=*} is not ${pair#*=}"
done
[ -n "$(inf_value description)" ] || problem "pluginst.inf has no description"
# The file manager takes the .wlx64 beside the named file on 64-bit Windows.
PLUGIN=$(inf_value file)
for f in "$PLUGIN" "${PLUGIN}64"; do
  [ -n "$PLUGIN" ] && [ -f "$DIR/$f" ] || problem "pluginst.inf names $f, which is not in the archive"
done

IFS=. read -r MAJOR MINOR PATCH <<<"$VERSION"
check_binary() {  # file, expected objdump format, binutils prefix
  local file=$DIR/$1 rc
  "$3-objdump" -f "$file" 2>/dev/null | grep -q "file format $2\$" || problem "$1 is not $2"
  rc=$("$3-windres" -i "$file" -O rc 2>&1) || { problem "$1: no resources readable: $rc"; return; }
  local line
  for line in "FILEVERSION $MAJOR, $MINOR, $PATCH, 0" "PRODUCTVERSION $MAJOR, $MINOR, $PATCH, 0" \
              "VALUE \"FileVersion\", \"$VERSION\"" "VALUE \"ProductVersion\", \"$VERSION\"" \
              "VALUE \"ProductName\", \"Skerrin\"" "VALUE \"OriginalFilename\", \"$1\""; do
    grep -qF "$line" <<<"$rc" || problem "$1: the version resource lacks: $line"
  done
  grep -q 'VALUE "FileDescription", "..*"' <<<"$rc" || problem "$1: the version resource has no description"
}
check_binary Skerrin.wlx64 pei-x86-64 x86_64-w64-mingw32
check_binary Skerrin.wlx pei-i386 i686-w64-mingw32

if [ -n "$DUMP" ]; then
  SAYS=$("$DUMP" --version)
  [ "${SAYS##* }" = "$VERSION" ] || problem "skerrin-dump --version says \"$SAYS\", not $VERSION"
fi

[ "$FAILED" = 0 ] && echo "package: $VERSION ok"
[ "$FAILED" = 0 ]
