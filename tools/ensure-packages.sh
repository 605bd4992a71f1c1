#!/bin/sh
# Installs the Debian packages the build, the program and the tests need.
set -e
PACKAGES="cmake make g++ qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libqt5svg5-dev \
qttools5-dev-tools qttranslations5-l10n libhunspell-dev hunspell-ru fonts-liberation \
xvfb xauth poppler-utils"
# Zip archives: the spreadsheet import reads XLSX workbooks with it.
PACKAGES="$PACKAGES libquazip5-dev"
# The register sorts names in Russian order through a collation on its SQLite connections.
PACKAGES="$PACKAGES libsqlite3-dev"
# A register on a PostgreSQL server: Qt's driver for the program, a server and its
# certificates (openssl) for the tests.
PACKAGES="$PACKAGES libqt5sql5-psql postgresql openssl"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y --no-install-recommends$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing
