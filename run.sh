#!/usr/bin/env bash
# Installs what is missing, builds the game and its data maker, makes the sample
# game's data tree in build/game (again only when the tools changed) and runs
# the game there with the arguments given.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
velok_install
# Only the game and the data maker: ./test.sh builds the tests in the same tree.
velok_build "$VELOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- velokw game_data
cd "$VELOK_ROOT/build/game"
exec "$VELOK_ROOT/build/velokw" "$@"
