#!/usr/bin/env bash
# The main job on the bundled demo database: what it holds, then every simulation case
# calculated in the three modes (normal run and target braking pushed off at the hump crest,
# the run-in process over the run-in retarder before it), each stored with its full result
# and input protocols, its summary printed and its charts drawn. Works on a copy, so the
# shipped file stays as it is.
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/src/cli/gravimont-cli"
work=${GRAVIMONT_DEMO_DIR:-$here/build/demo}
mkdir -p "$work"
rm -f "$work"/*.json "$work"/*.png "$work"/*.csv
cp "$here/data/demo.gvm" "$work/demo.gvm"
db="$work/demo.gvm"

echo "== Demo database: $db"
"$cli" info "$db"

mode_options() {
    case $1 in
        normal|target) echo "--xstart 0" ;;
        runin) echo "--runin-start-x -60 --runin-start-v 1.2 --runin-target-x -30 --runin-target-v 1.2" ;;
    esac
}

for id in $("$cli" info "$db" | awk '/^  case /{print $2}'); do
    name=$("$cli" info "$db" | awk -v id="$id" '$1 == "case" && $2 == id {print $3}')
    for mode in normal target runin; do
        exp="$name-$mode"
        echo
        echo "== Case $id $name, $mode: stored as \"$exp\""
        # shellcheck disable=SC2046
        "$cli" run "$db" --case "$id" --mode "$mode" $(mode_options "$mode") --store "$exp" --json \
            --rows "$work/$exp.csv" > "$work/$exp.json" || true
        "$cli" summary "$db" --case "$id" --experiment "$exp" || true
        expid=$(sed -n 's/^  "experiment_id": \([0-9]*\).*/\1/p' "$work/$exp.json")
        if [ -n "$expid" ]; then
            "$cli" chart "$db" --experiment "$expid" --png "$work/$exp.png" || true
        fi
    done
done

echo
echo "== Stored experiments"
"$cli" info "$db" | sed -n '/^project/,$p'
echo
echo "Results in $work: <case>-<mode>.json (run with summary), .csv (result rows), .png (charts);"
echo "input protocols: $cli protocol $db --experiment ID"
