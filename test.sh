#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
tools/build.sh
# The server tests run on a throwaway PostgreSQL cluster, stopped when this script ends.
source tools/test-postgres.sh
export INVENTORY_TEST_REQUIRE_SERVER=1
cd build
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
