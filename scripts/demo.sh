#!/bin/sh
# The client at work on a sample package: demo.sh [path/to/upgrade]
#
# Writes a package into a temporary folder, serves its server configuration
# with Python's http.server on 127.0.0.1, runs `upgrade /OP:CheckVer /HWND:n`
# while a host listener follows it, and prints what the host heard and the
# client's log (decoded from GBK). With a display it then opens the skinned
# pages in a preview run (`upgrade /OP:Preview`).
set -eu

PY=/usr/bin/python3
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
UPGRADE=${1:-$ROOT/build/bin/upgrade}
[ -x "$UPGRADE" ] || { echo "demo: $UPGRADE not built (run make)" >&2; exit 1; }

WORK=$(mktemp -d /tmp/upgrade-demo-XXXXXX)
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
$PY "$HERE/make_demo_package.py" "$WORK" "http://127.0.0.1:$PORT"
cp "$UPGRADE" "$WORK/upgrade"
mkdir -p "$WORK/run" && chmod 700 "$WORK/run"

$PY -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK/srv" >"$WORK/http.log" 2>&1 &
SERVER_PID=$!
# Wait until the server answers.
i=0
until $PY -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$PORT/server.ini')" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 50 ] || { echo "demo: http.server did not start" >&2; exit 1; }
  sleep 0.1
done

HOST=$(( $$ * 100 + 7 ))
$PY -u "$ROOT/tests/support/host_listener.py" "$HOST" >"$WORK/host.txt" &
LISTENER_PID=$!
# Wait until it listens; a listener that died (its error is on stderr) or
# never gets ready ends the demo instead of leaving it waiting.
i=0
until grep -q ready "$WORK/host.txt" 2>/dev/null; do
  i=$((i + 1))
  if [ $i -ge 100 ] || ! kill -0 "$LISTENER_PID" 2>/dev/null; then
    echo "demo: the host listener did not start" >&2; exit 1
  fi
  sleep 0.05
done

echo "== package in $WORK; server configuration at http://127.0.0.1:$PORT/server.ini"
echo "== running: upgrade /OP:CheckVer /HWND:$HOST"
(cd "$WORK" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK/run" ./upgrade /OP:CheckVer "/HWND:$HOST")
sleep 0.3

echo
echo "== messages the host received (message wParam lParam)"
grep -v ready "$WORK/host.txt" | while read -r msg w l; do
  case "$msg:$w" in
    2023:1) what="update completed" ;;
    2023:2) what="no new version" ;;
    2023:3) what="new version found" ;;
    2023:4) what="client is exiting" ;;
    2023:-1) what="skin not readable" ;;
    2023:-5) what="no configuration" ;;
    2023:*) what="outcome" ;;
    *) what="progress" ;;
  esac
  echo "$msg $w $l    ($what)"
done

echo
echo "== upgrade.log"
$PY -c 'import sys; sys.stdout.write(open(sys.argv[1], "rb").read().decode("gbk").replace("\r\n", "\n"))' \
  "$WORK/upgrade.log"

if [ -n "${DISPLAY:-}" ]; then
  echo
  echo "== the skinned pages: upgrade /OP:Preview (press the buttons; close with 完成 on the last page)"
  (cd "$WORK" && XDG_RUNTIME_DIR="$WORK/run" ./upgrade /OP:Preview)
else
  echo
  echo "== no display (\$DISPLAY unset): skipping the page preview; run 'make screenshots' for pictures"
fi
