# Sourced by test.sh: starts a throwaway PostgreSQL cluster for the tests and stops it when the
# shell that sourced this exits, whether the tests passed or not.
#
# The cluster lives in a temporary folder, listens on 127.0.0.1 on a free port (and on a socket in
# that folder), and holds two template databases made with sql/postgresql/: inventory_schema (the
# schema and functions) and inventory_demo (the demo hospital too). The tests reach it through
#
#   INVENTORY_TEST_POSTGRES="host=127.0.0.1 port=NNNN user=postgres password=..."
#
# and make a database of their own from a template for each fixture. As root the server runs as
# the postgres user (initdb refuses root); otherwise as the caller.

pg_bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$pg_bindir" ] || [ ! -x "$pg_bindir/initdb" ]; then
    echo "PostgreSQL's server programs are not installed (tools/install-deps.sh installs them)." >&2
    return 1
fi

pg_dir=$(mktemp -d /tmp/inventory-pg.XXXXXX)
pg_as=()
if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$pg_dir"
    pg_as=(runuser -u postgres --)
fi
pg_password="test-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"
pg_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

stop_test_postgres() {
    if [ -f "$pg_dir/data/postmaster.pid" ]; then
        "${pg_as[@]}" "$pg_bindir/pg_ctl" -D "$pg_dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$pg_dir"
}
trap stop_test_postgres EXIT

echo "$pg_password" >"$pg_dir/pwfile"
[ ${#pg_as[@]} -eq 0 ] || chown postgres: "$pg_dir/pwfile"
"${pg_as[@]}" "$pg_bindir/initdb" -D "$pg_dir/data" -U postgres --pwfile="$pg_dir/pwfile" \
    --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$pg_dir/initdb.log" 2>&1 ||
    { cat "$pg_dir/initdb.log" >&2; return 1; }
rm -f "$pg_dir/pwfile"
# A test server: durability is not wanted, speed is. The reliability tests restart it with
# pg_ctl, which needs no flush to disk either.
cat >>"$pg_dir/data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
port = $pg_port
unix_socket_directories = '$pg_dir'
max_connections = 200
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 64MB
EOF
"${pg_as[@]}" "$pg_bindir/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w start >/dev/null ||
    { cat "$pg_dir/server.log" >&2; return 1; }

pg_psql() {
    "${pg_as[@]}" "$pg_bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$pg_dir" -p "$pg_port" -U postgres "$@"
}
pg_psql -d postgres -c "CREATE DATABASE inventory_schema TEMPLATE template0" \
    -c "CREATE DATABASE inventory_demo TEMPLATE template0" >/dev/null
for script in sql/postgresql/[0-9]*.sql; do
    case "$script" in
    *demo_data*) ;;
    *) pg_psql -d inventory_schema -f "$script" >/dev/null ;;
    esac
    pg_psql -d inventory_demo -f "$script" >/dev/null
done
pg_psql -d postgres -c "ALTER DATABASE inventory_schema IS_TEMPLATE true" \
    -c "ALTER DATABASE inventory_demo IS_TEMPLATE true" >/dev/null

export INVENTORY_TEST_POSTGRES="host=127.0.0.1 port=$pg_port user=postgres password=$pg_password"
# What the restart test runs to restart the server, as this script started it.
export INVENTORY_TEST_POSTGRES_RESTART="${pg_as[*]} $pg_bindir/pg_ctl -D $pg_dir/data -l $pg_dir/server.log -w -m fast restart"
echo "PostgreSQL $("$pg_bindir/postgres" --version | awk '{print $NF}') for the tests on 127.0.0.1:$pg_port"
