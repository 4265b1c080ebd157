#!/bin/sh
# Makes the LibreOffice-written test lessons (tests/lessons/lo-*.ppt) with a headless soffice and a
# profile of its own, removed afterwards; Debian's own python3, where the UNO bridge is. Needs Debian's libreoffice-impress and python3-uno; the
# files are committed. Run it after scripts/make-lessons.sh: it saves POI's good.ppt again.
set -eu
cd "$(dirname "$0")/.."
command -v soffice >/dev/null || { echo "make-lessons-lo: apt-get install libreoffice-impress python3-uno" >&2; exit 1; }
profile=$(mktemp -d /tmp/tarnskov-lo.XXXXXX)
pipe="tarnskov-lessons-$$"
soffice --headless --invisible --norestore --nologo "-env:UserInstallation=file://$profile" \
    "--accept=pipe,name=$pipe;urp;" &
office=$!
trap 'kill $office 2>/dev/null || true; wait $office 2>/dev/null || true; rm -rf "$profile"' EXIT
/usr/bin/python3 scripts/make-lessons-lo.py "$pipe" tests/lessons tests/lessons/good.ppt
wait $office || true
ls -l tests/lessons/lo-*.ppt
