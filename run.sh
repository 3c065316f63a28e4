#!/usr/bin/env bash
# Installs what is missing, builds the game and its data tools, makes the sample
# game's data tree in build/game (again only when the tools changed) and runs
# the game there with the arguments given.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
velok_install
velok_build "$VELOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd "$VELOK_ROOT/build/game"
exec "$VELOK_ROOT/build/velokw" "$@"
