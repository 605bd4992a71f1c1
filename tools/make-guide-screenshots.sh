#!/bin/sh
# Takes the pictures of the user guide from the program itself (tools/guideshots) and
# puts them into guide/images/, from where guide/guide.qrc builds them into the program.
# Usage: sh tools/make-guide-screenshots.sh [BUILD_DIR] [NAME...]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
[ $# -gt 0 ] && shift
cmake --build "$BUILD" --target zr_guideshots >/dev/null
QT_QPA_PLATFORM=offscreen "$BUILD/tools/guideshots/zr_guideshots" "$ROOT/guide/images" "$@" 2>/dev/null
