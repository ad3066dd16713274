#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests of the server engine.
#
#   scripts/pgcluster.sh start DIR   makes DIR, a cluster in it and starts it
#   scripts/pgcluster.sh start DIR --durable   the same, syncing to disk as a real server does
#   scripts/pgcluster.sh stop DIR    stops that cluster and removes DIR
#   scripts/pgcluster.sh halt DIR    stops it at once, keeping DIR (a server that went away)
#   scripts/pgcluster.sh resume DIR  starts it again on the same port
#
# The server listens on a Unix socket in DIR and on 127.0.0.1 at a free port;
# With openssl at hand it also speaks TLS to clients that ask for it, with a
# certificate made for it (DIR/root.crt, for sslmode=verify-ca).
# DIR/address holds the connection addresses, the TCP one on its first line:
#   postgresql://zephra@127.0.0.1:PORT/zephra_test
#   postgresql://zephra@/zephra_test?host=DIR&port=PORT
# The role zephra logs in without a password from this machine only, owns the
# database zephra_test (with pg_trgm) and may make more databases. The role
# zephra_pw must give its password (zephra-pw), for the tests of a wrong one;
# it owns nothing.
# The server's time zone and date style are deliberately far from the usual,
# so that nothing in the program may depend on them.
set -euo pipefail

readonly OS_USER=zephra-pg
readonly ROLE=zephra
readonly DATABASE=zephra_test

usage() {
    echo "usage: $0 start|stop|halt|resume DIR" >&2
    exit 2
}

(($# == 2)) || [[ $# == 3 && $1 == start && $3 == --durable ]] || usage
command=$1
dir=$2
# The tests' cluster skips syncing to disk (its data is thrown away); the
# benchmarks' one syncs, as the server of a shop does. Commits wait for the
# log to be written in both.
sync_options="-c fsync=off -c full_page_writes=off"
if [[ ${3:-} == --durable ]]; then
    sync_options="-c fsync=on -c full_page_writes=on"
fi

bin_dir() {
    local newest
    newest=$(printf "%s\n" /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
    [[ -n $newest && -x $newest/initdb ]] && echo "$newest"
}

# Runs a server program as the unprivileged owner of the cluster: the server refuses root.
as_owner() {
    if ((EUID == 0)); then
        runuser -u "$OS_USER" -- "$@"
    else
        "$@"
    fi
}

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start() {
    local bin
    if ! bin=$(bin_dir); then
        "$(dirname "$0")/deps.sh" postgresql
        bin=$(bin_dir)
    fi
    if [[ -e $dir && -n $(ls -A "$dir") ]]; then
        echo "$0: $dir is not empty" >&2
        exit 1
    fi
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    # A Unix socket's path holds at most 107 bytes.
    if ((${#dir} > 80)); then
        echo "$0: $dir is too long a path for the server's socket" >&2
        exit 1
    fi
    if ((EUID == 0)); then
        id "$OS_USER" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$OS_USER"
        chown "$OS_USER" "$dir"
    fi

    local locale_options=(--locale=C.UTF-8)
    # The help is read whole first: grep -q stopping early would end initdb by
    # SIGPIPE, which pipefail counts as failure, and ICU would be left out.
    local help
    help=$("$bin/initdb" --help)
    if [[ $help == *--icu-locale* ]]; then
        locale_options=(--locale=C.UTF-8 --locale-provider=icu --icu-locale=ja-JP)
    fi
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --encoding=UTF8 "${locale_options[@]}" \
        --auth=trust --no-sync >"$dir/initdb.log"

    # Logins from this machine only, the socket and 127.0.0.1: password-less
    # but for the role kept for the tests of passwords.
    as_owner tee "$dir/data/pg_hba.conf" >/dev/null <<'EOF'
local all zephra_pw              scram-sha-256
host  all zephra_pw 127.0.0.1/32 scram-sha-256
local all all                    trust
host  all all       127.0.0.1/32 trust
EOF

    # TLS for the clients that ask for it (sslmode), with a certificate of
    # its own made here; the others connect in the clear.
    local tls_options=""
    if command -v openssl >/dev/null; then
        as_owner openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
            -keyout "$dir/data/server.key" -out "$dir/data/server.crt" >/dev/null 2>&1
        as_owner chmod 600 "$dir/data/server.key"
        cp "$dir/data/server.crt" "$dir/root.crt"
        tls_options=" -c ssl=on"
    fi
    sync_options+=$tls_options
    echo "$sync_options" >"$dir/sync-options"
    local port tries=0
    while :; do
        port=$(free_port)
        if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
            -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir" \
            -o "-c timezone=Pacific/Chatham -c datestyle='SQL, DMY'" \
            -o "$sync_options" >/dev/null; then
            break
        fi
        # The port may have been taken in between: another one.
        if ((++tries == 3)); then
            cat "$dir/server.log" >&2
            exit 1
        fi
    done

    local psql=("$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres)
    as_owner "${psql[@]}" -d postgres \
        -c "CREATE ROLE $ROLE LOGIN CREATEDB" \
        -c "CREATE ROLE zephra_pw LOGIN PASSWORD 'zephra-pw'" \
        -c "CREATE DATABASE $DATABASE OWNER $ROLE ENCODING 'UTF8' TEMPLATE template0"
    as_owner "${psql[@]}" -d "$DATABASE" -c "CREATE EXTENSION pg_trgm"

    printf 'postgresql://%s@127.0.0.1:%s/%s\npostgresql://%s@/%s?host=%s&port=%s\n' \
        "$ROLE" "$port" "$DATABASE" "$ROLE" "$DATABASE" "$dir" "$port" >"$dir/address"
    chmod a+rx "$dir"
}

stop() {
    [[ -d $dir ]] || return 0
    # Only a folder this script made is removed.
    if [[ ! -f $dir/address && ! -f $dir/data/PG_VERSION ]]; then
        echo "$0: $dir holds no cluster of this script's" >&2
        exit 1
    fi
    local bin
    if [[ -f $dir/data/postmaster.pid ]] && bin=$(bin_dir); then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$dir"
}

# A server that goes away and comes back, for the tests of lost connections:
# halt stops it at once (as a power cut or a kill would), resume starts it
# again on the same port and folder.
halt() {
    local bin
    bin=$(bin_dir)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
}

resume() {
    local bin port
    bin=$(bin_dir)
    port=$(sed -n 's/.*:\([0-9]*\)\/.*/\1/p' "$dir/address" | head -n1)
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir" \
        -o "-c timezone=Pacific/Chatham -c datestyle='SQL, DMY'" \
        -o "$(cat "$dir/sync-options")" >/dev/null
}

case $command in
start) start ;;
stop) stop ;;
halt) halt ;;
resume) resume ;;
*) usage ;;
esac
