#!/bin/sh
# Prepares a Debian server with PostgreSQL for a school's register: the database, an owner
# role (makes and upgrades the register's tables) and a clerk role (the workstations' role:
# reads and writes rows, cannot make, alter or drop tables). Run as root on the server:
#
#   sudo sh tools/setup-register-server.sh [DATABASE] [OWNER] [CLERK]
#
# Prints the passwords once, the lines for the workstations' ~/.pgpass and the --register
# addresses to use. Nothing is sent anywhere; the passwords are not stored by this script.
set -eu
DBNAME="${1:-zrps}"
OWNER="${2:-zrps_owner}"
CLERK="${3:-zrps_clerk}"
HERE="$(cd "$(dirname "$0")" && pwd)"

if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root: sudo sh $0" >&2
    exit 1
fi
if ! command -v psql >/dev/null 2>&1; then
    echo "PostgreSQL is not installed: apt-get install -y postgresql" >&2
    exit 1
fi
password() { tr -dc 'A-Za-z0-9' </dev/urandom | head -c 24; }
OWNER_PASSWORD="$(password)"
CLERK_PASSWORD="$(password)"

runuser -u postgres -- psql -X -q -v ON_ERROR_STOP=1 \
    -v dbname="$DBNAME" -v owner="$OWNER" -v clerk="$CLERK" \
    -v owner_password="$OWNER_PASSWORD" -v clerk_password="$CLERK_PASSWORD" \
    -f "$HERE/register-server.sql" postgres

HOST="$(hostname -f 2>/dev/null || hostname)"
cat <<INFO
Database "$DBNAME" is ready on $HOST:5432.

Owner role:  $OWNER   password: $OWNER_PASSWORD
Clerk role:  $CLERK   password: $CLERK_PASSWORD

On the workstation that moves the register to the server, add to ~/.pgpass (chmod 600):
  $HOST:5432:$DBNAME:$OWNER:$OWNER_PASSWORD
and run:
  ZrPs --transfer-register postgresql://$OWNER@$HOST:5432/$DBNAME

On every workstation, add to ~/.pgpass (chmod 600):
  $HOST:5432:$DBNAME:$CLERK:$CLERK_PASSWORD
and choose the register in Файл → Настройки → Реестр, or name it in a command:
  ZrPs --check ... --register postgresql://$CLERK@$HOST:5432/$DBNAME

For workstations on the network, let PostgreSQL listen there (listen_addresses in
postgresql.conf) and allow them in pg_hba.conf, e.g.
  hostssl $DBNAME $OWNER,$CLERK 192.168.0.0/24 scram-sha-256
then: systemctl reload postgresql
INFO
