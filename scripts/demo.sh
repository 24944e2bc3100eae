#!/usr/bin/env bash
# The main job on the bundled demo database: what it holds, then a normal run of every
# simulation case, each pushed off at the hump crest. Works on a copy, so the shipped file
# stays as it is.
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/src/cli/gravimont-cli"
work=${GRAVIMONT_DEMO_DIR:-$here/build/demo}
mkdir -p "$work"
cp "$here/data/demo.gvm" "$work/demo.gvm"
db="$work/demo.gvm"

echo "== Demo database: $db"
"$cli" info "$db"

for id in $("$cli" info "$db" | awk '/^  case /{print $2}'); do
    name=$("$cli" info "$db" | awk -v id="$id" '$1 == "case" && $2 == id {print $3}')
    echo
    echo "== Normal run of case $id $name (pushed off at the crest), rows in $work/run-$id.csv"
    "$cli" run "$db" --case "$id" --xstart 0 --rows "$work/run-$id.csv" || true
done
