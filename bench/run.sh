#!/usr/bin/env bash
# Builds and runs the hospital-scale benchmark in one command:
#
#   bench/run.sh [items] [requests] [--repeats N]
#   bench/run.sh --postgres [items] [requests] [--repeats N] [--latency MS,MS,...]
#
# The default is the full size (1,000,000 items, 200,000 requests). The generated database is
# kept in bench/data/ and reused by later runs of the same size, so only the first run of a size
# pays for the generation (about 15 minutes at the full size on a 2-core machine).
#
# --postgres measures the same on PostgreSQL: it starts a throwaway server (tools/test-postgres.sh),
# copies the kept database into it (hospital_pgload; the database is generated first, with a run
# on SQLite, when it is not kept yet), and runs the measures against libpq, then again through a
# relay at 0, 1 and 5 ms of round-trip time (--latency to choose others). The server is stopped
# when the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
postgres=false
if [ "${1:-}" = "--postgres" ]; then
    postgres=true
    shift
fi
items=1000000
requests=200000
if [ $# -gt 0 ] && [[ $1 != --* ]]; then items=$1; shift; fi
if [ $# -gt 0 ] && [[ $1 != --* ]]; then requests=$1; shift; fi
tools/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target bench_hospital hospital_pgload >/dev/null
mkdir -p bench/data
file="bench/data/hospital-$items-$requests.db"
quiet() { grep --line-buffered -v -e 'XDG_RUNTIME_DIR' -e 'propagateSizeHints'; }

if ! $postgres || [ ! -f "$file" ]; then
    build/bench/bench_hospital "$items" "$requests" --keep "$file" "$@" 2>&1 | quiet
    $postgres || exit 0
    echo
fi

# A server of its own for the measures, with the memory a database server would be given.
source tools/test-postgres.sh
pg_psql -d postgres -c "ALTER SYSTEM SET shared_buffers = '512MB'" \
    -c "ALTER SYSTEM SET effective_cache_size = '4GB'" >/dev/null
$INVENTORY_TEST_POSTGRES_RESTART >/dev/null
database="hospital_${items}_${requests}"
build/bench/hospital_pgload "$file" "$INVENTORY_TEST_POSTGRES" "$database"
echo
build/bench/bench_hospital "$items" "$requests" --keep "$file" --postgres "$database" \
    --latency 0,1,5 "$@" 2>&1 | quiet
