#!/usr/bin/env bash
# A private PostgreSQL server for the tests that reach a server through ODBC:
# a cluster in a folder of its own, listening only on a socket in that folder
# (no TCP port, so it stands beside any other server), run as an ordinary
# user (postgres, when started by root), with password authentication, a
# database and a role both named quillmere.
#
#   eval "$(scripts/test-postgres.sh start DIR)"  makes the cluster in DIR (a
#                          new or empty folder) or starts the one there, and
#                          prints `export QUILLMERE_TEST_POSTGRES=DIR`, which
#                          the tests read (DIR/password holds the password)
#   scripts/test-postgres.sh stop DIR             stops it; DIR stays
#   scripts/test-postgres.sh run COMMAND...       a cluster in a temporary
#                          folder for the length of COMMAND, removed after it
#
# The tests stop and start the server themselves (a server stopped in the
# middle of a run) with the same commands.
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2> /dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "PostgreSQL is not installed: scripts/setup.sh installs it" >&2
  exit 77
fi

# Runs a command as the server's user: this one, or postgres for root.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

start() {
  local dir=$1
  mkdir -p "$dir"
  dir=$(realpath "$dir")
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
    head -c 18 /dev/urandom | base64 | tr '+/' '-_' > "$dir/password"
    chmod 600 "$dir/password"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir/password"
    as_owner "$bindir/initdb" --pgdata="$dir/data" --username=quillmere --pwfile="$dir/password" \
      --auth=scram-sha-256 --no-sync --encoding=UTF8 --locale=C.UTF-8 > "$dir/initdb.log"
    cat >> "$dir/data/postgresql.conf" << EOF
listen_addresses = ''
unix_socket_directories = '$dir'

EOF
  fi
  as_owner "$bindir/pg_ctl" --pgdata="$dir/data" --log="$dir/server.log" --wait --silent start
  if [ ! -f "$dir/created" ]; then
    PGPASSWORD=$(cat "$dir/password") "$bindir/psql" --quiet --host="$dir" --username=quillmere \
      --dbname=postgres --command="create database quillmere" > /dev/null
    touch "$dir/created"
  fi
  echo "export QUILLMERE_TEST_POSTGRES=$(printf %q "$dir")"
}

stop() {
  local dir
  dir=$(realpath "$1")
  [ ! -f "$dir/data/postmaster.pid" ] ||
    as_owner "$bindir/pg_ctl" --pgdata="$dir/data" --mode=fast --wait --silent stop
}

case "${1:-}" in
  start) start "${2:?usage: test-postgres.sh start DIR}" ;;
  stop) stop "${2:?usage: test-postgres.sh stop DIR}" ;;
  run)
    shift
    dir=$(mktemp -d /tmp/quillmere-postgres-XXXXXX)
    trap 'stop "$dir"; rm -rf "$dir"' EXIT
    eval "$(start "$dir")"
    "$@"
    ;;
  *)
    sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
