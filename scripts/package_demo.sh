#!/bin/sh
# A package from Quillmate updating an application: package_demo.sh [build/bin]
#
# Writes a small project (one file item, app/readme.txt 1.0.0 -> 1.1.0),
# generates its package with `quillmate --generate`, serves the server
# configuration and the new file with Python's http.server on 127.0.0.1,
# ships the packaged client with its configuration beside an "installed
# application", runs it with a host listener following it, and shows the
# messages, the updated file and the version written back. The project has
# a signing key: then the server configuration is edited on the server and
# the client refuses it.
set -eu

PY=/usr/bin/python3
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
. "$HERE/demo_peers.sh"
BIN=${1:-$ROOT/build/bin}
[ -x "$BIN/quillmate" ] && [ -x "$BIN/updateApp/update" ] || { echo "package demo: build quillmate first (make)" >&2; exit 1; }

begin_demo quillmate-demo
mkdir -p "$WORK/srv/app" "$WORK/project" "$WORK/installed/app" "$WORK/run" "$WORK/tmp"
chmod 700 "$WORK/run" "$WORK/tmp"
echo "version 1.1" >"$WORK/srv/app/readme.txt"
echo "version 1.0" >"$WORK/installed/app/readme.txt"
MD5=$(md5sum "$WORK/srv/app/readme.txt" | cut -d' ' -f1)
printf '[project]\r\nname=demo\r\nlocal_cfgout=0\r\n[system]\r\nurls=url0=http://127.0.0.1:%s/s.ini\r\ncloselog=0\r\n[file0]\r\nurls=url0=http://127.0.0.1:%s/app/readme.txt;;url1=file://%s\r\npath=app\\\r\nlocal_ver=1.0.0\r\nfile_ver=1.1.0\r\nmd5=%s\r\nshow_type=2\r\nop_mode=1\r\n' \
  "$PORT" "$PORT" "$WORK/srv/app/readme.txt" "$MD5" >"$WORK/project/demo.epj"

echo "== quillmate --new-key project/demo.epj (public key; the private key: project/demo.epj.private-signing-key)"
"$BIN/quillmate" --new-key "$WORK/project/demo.epj"
echo "== quillmate --generate project/demo.epj --output pkg"
"$BIN/quillmate" --generate "$WORK/project/demo.epj" --output "$WORK/pkg"
cp "$WORK/pkg/s.ini" "$WORK/pkg/s.ini.sig" "$WORK/srv/"
cp "$WORK/pkg/update" "$WORK/pkg/update.dat" "$WORK/pkg/ui.bin" "$WORK/installed/"

start_http_server "$WORK/srv" "$PORT" s.ini "package demo"
HOST=$(( $$ * 100 + 9 ))
start_host_listener "$HOST" "$WORK/host.txt" "package demo"

echo
echo "== installed/update /HWND:$HOST (app/readme.txt: $(cat "$WORK/installed/app/readme.txt"))"
(cd "$WORK/installed" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK/run" TMPDIR="$WORK/tmp" ./update "/HWND:$HOST")
sleep 0.3
echo "== outcome messages the host received: $(grep '^2023' "$WORK/host.txt" | cut -d' ' -f2 | tr '\n' ' ')(3 new version, 1 done, 4 exiting)"
echo "== app/readme.txt now: $(cat "$WORK/installed/app/readme.txt")"
echo "== update.dat [file0]: $(tr -d '\r' <"$WORK/installed/update.dat" | grep -A1 '^\[file0\]' | tail -1)"

echo
echo "== the server configuration edited on the server (file0 ver 1.2.0, a run_after hook); the signature left as it was"
sed -i 's/^ver=1.1.0/ver=1.2.0/' "$WORK/srv/s.ini"
printf '[system]\r\nrun_after=/bin/sh -c "touch %s/hooked"\r\n' "$WORK" | cat - "$WORK/srv/s.ini" >"$WORK/s.edited" && mv "$WORK/s.edited" "$WORK/srv/s.ini"
kill "$LISTENER_PID" 2>/dev/null || true
$PY -u "$ROOT/tests/support/host_listener.py" "$HOST" >"$WORK/host2.txt" &
LISTENER_PID=$!
i=0
until grep -q ready "$WORK/host2.txt" 2>/dev/null; do
  i=$((i + 1))
  if [ $i -ge 100 ] || ! kill -0 "$LISTENER_PID" 2>/dev/null; then echo "package demo: no host listener" >&2; exit 1; fi
  sleep 0.05
done
(cd "$WORK/installed" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$WORK/run" TMPDIR="$WORK/tmp" ./update "/HWND:$HOST")
sleep 0.3
echo "== outcome messages the host received: $(grep '^2023' "$WORK/host2.txt" | cut -d' ' -f2 | tr '\n' ' ')(-5 no configuration, 4 exiting)"
echo "== update.log: $(iconv -f GBK -t UTF-8 "$WORK/installed/update.log" | tr -d '\r' | grep -o '服务器端配置文件签名验证失败：.*' | tail -1)"
echo "== the hook ran: $([ -e "$WORK/hooked" ] && echo yes || echo no); update.dat [file0]: $(tr -d '\r' <"$WORK/installed/update.dat" | grep -A1 '^\[file0\]' | tail -1)"
