#!/bin/sh
# A package from Quillmate updating an application: package_demo.sh [build/bin]
#
# Writes a small project (one file item, app/readme.txt 1.0.0 -> 1.1.0),
# generates its package with `quillmate --generate`, serves the server
# configuration and the new file with Python's http.server on 127.0.0.1,
# ships the packaged client with its configuration beside an "installed
# application", runs it with a host listener following it, and shows the
# messages, the updated file and the version written back.
set -eu

PY=/usr/bin/python3
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
BIN=${1:-$ROOT/build/bin}
[ -x "$BIN/quillmate" ] && [ -x "$BIN/updateApp/update" ] || { echo "package demo: build quillmate first (make)" >&2; exit 1; }

WORK=$(mktemp -d /tmp/quillmate-demo-XXXXXX)
SERVER_PID=
LISTENER_PID=
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  [ -n "$LISTENER_PID" ] && kill "$LISTENER_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

PORT=$($PY -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$WORK/srv/app" "$WORK/project" "$WORK/installed/app" "$WORK/run" "$WORK/tmp"
chmod 700 "$WORK/run" "$WORK/tmp"
echo "version 1.1" >"$WORK/srv/app/readme.txt"
echo "version 1.0" >"$WORK/installed/app/readme.txt"
MD5=$(md5sum "$WORK/srv/app/readme.txt" | cut -d' ' -f1)
printf '[project]\r\nname=demo\r\nlocal_cfgout=0\r\n[system]\r\nurls=url0=http://127.0.0.1:%s/s.ini\r\ncloselog=0\r\n[file0]\r\nurls=url0=http://127.0.0.1:%s/app/readme.txt\r\npath=app\\\r\nlocal_ver=1.0.0\r\nfile_ver=1.1.0\r\nmd5=%s\r\nshow_type=2\r\nop_mode=1\r\n' \
  "$PORT" "$PORT" "$MD5" >"$WORK/project/demo.epj"

echo "== quillmate --generate project/demo.epj --output pkg"
"$BIN/quillmate" --generate "$WORK/project/demo.epj" --output "$WORK/pkg"
cp "$WORK/pkg/s.ini" "$WORK/srv/"
cp "$WORK/pkg/update" "$WORK/pkg/update.dat" "$WORK/pkg/ui.bin" "$WORK/installed/"

$PY -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK/srv" >"$WORK/http.log" 2>&1 &
SERVER_PID=$!
i=0
until $PY -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$PORT/s.ini')" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 50 ] || { echo "package demo: http.server did not start" >&2; exit 1; }
  sleep 0.1
done
HOST=$(( $$ * 100 + 9 ))
$PY -u "$ROOT/tests/support/host_listener.py" "$HOST" >"$WORK/host.txt" &
LISTENER_PID=$!
i=0
until grep -q ready "$WORK/host.txt" 2>/dev/null; do
  i=$((i + 1))
  if [ $i -ge 100 ] || ! kill -0 "$LISTENER_PID" 2>/dev/null; then echo "package demo: no host listener" >&2; exit 1; fi
  sleep 0.05
done

echo
echo "== installed/update /HWND:$HOST (app/readme.txt: $(cat "$WORK/installed/app/readme.txt"))"
(cd "$WORK/installed" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK/run" TMPDIR="$WORK/tmp" ./update "/HWND:$HOST")
sleep 0.3
echo "== outcome messages the host received: $(grep '^2023' "$WORK/host.txt" | cut -d' ' -f2 | tr '\n' ' ')(3 new version, 1 done, 4 exiting)"
echo "== app/readme.txt now: $(cat "$WORK/installed/app/readme.txt")"
echo "== update.dat [file0]: $(tr -d '\r' <"$WORK/installed/update.dat" | grep -A1 '^\[file0\]' | tail -1)"
