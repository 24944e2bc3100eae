#!/usr/bin/env bash
# The main job on the bundled demo database. Works on a copy, so the shipped file stays as it is.
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")/.." && pwd)
work=${GRAVIMONT_DEMO_DIR:-$here/build/demo}
mkdir -p "$work"
cp "$here/data/demo.gvm" "$work/demo.gvm"
echo "== Demo database: $work/demo.gvm"
"$build/src/cli/gravimont-cli" info "$work/demo.gvm"
