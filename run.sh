#!/usr/bin/env bash
# Installs what is missing, builds the game and runs it with the arguments given.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
velok_install
velok_build "$VELOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$VELOK_ROOT/build/velokw" "$@"
