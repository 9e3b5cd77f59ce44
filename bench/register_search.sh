#!/usr/bin/env bash
# Runs the register search benchmark against a private database server of its own.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLO_BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_register_search >/dev/null
dir=/tmp/vello-bench-reg-$$
port=$((30000 + $$ % 20000))
bash "$here/scripts/dbserver" start --fresh --datadir "$dir/data" --socket "$dir/mysqld.sock" --port "$port"
trap 'bash "$here/scripts/dbserver" stop --datadir "$dir/data" --remove' EXIT
VELLO_TEST_SOCKET="$dir/mysqld.sock" QT_QPA_PLATFORM=offscreen "$build/bench/bench_register_search" "$@"
