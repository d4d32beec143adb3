#!/bin/sh
# The client at work on a real update: demo.sh [path/to/upgrade]
#
# Installs a sample application 1.0.0 beside a copy of `upgrade` in a
# temporary folder, serves version 1.1.0 with Python's http.server on
# 127.0.0.1 (a program file, a ZIP of documents with uncompress and runme,
# and a data folder as a dir item), runs a Normal update while a host
# listener follows it (visible with a display, else silent), and prints
# what the host heard, the client's log (decoded from GBK) and the
# application folder with its recorded versions before and after.
set -eu

PY=/usr/bin/python3
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
. "$HERE/demo_peers.sh"
UPGRADE=${1:-$ROOT/build/bin/upgrade}
[ -x "$UPGRADE" ] || { echo "demo: $UPGRADE not built (run make)" >&2; exit 1; }

begin_demo upgrade-demo
# Visible pages with a display; a silent run (show type 2) without one.
if [ -n "${DISPLAY:-}" ]; then SHOW=0; PLATFORM=; else SHOW=2; PLATFORM=offscreen; fi
$PY "$HERE/make_demo_package.py" "$WORK" "http://127.0.0.1:$PORT" "$SHOW"
cp "$UPGRADE" "$WORK/upgrade"
mkdir -p "$WORK/run" "$WORK/tmp" && chmod 700 "$WORK/run" "$WORK/tmp"

# The application folder: each file with its first line, and the versions
# recorded in the configuration archive.
listing() {
  $PY - "$WORK" <<'PYEOF'
import os, sys, zipfile
root = sys.argv[1]
paths = [os.path.join(root, "demo_app")]
for folder in ("doc", "data"):
    for base, dirs, files in os.walk(os.path.join(root, folder)):
        paths += [os.path.join(base, name) for name in files]
for path in sorted(paths):
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8", "replace").splitlines()
    mode = oct(os.stat(path).st_mode & 0o777)[2:]
    print("  %-22s %s  %s" % (os.path.relpath(path, root), mode, lines[-1] if lines else ""))
text = zipfile.ZipFile(os.path.join(root, "upgrade.bin")).read("client.dat").decode("gbk")
section = None
versions = []
for line in text.splitlines():
    if line.startswith("["):
        section = line.strip("[]")
    elif line.startswith("ver=") and section:
        versions.append("%s %s" % (section, line[4:]))
print("  versions in upgrade.bin: " + ", ".join(versions))
PYEOF
}

start_http_server "$WORK/srv" "$PORT" server.ini demo
HOST=$(( $$ * 100 + 7 ))
start_host_listener "$HOST" "$WORK/host.txt" demo

echo "== package in $WORK; server configuration at http://127.0.0.1:$PORT/server.ini"
echo "== the application before the update"
listing
echo
echo "== running: upgrade /HWND:$HOST (a normal run; $([ "$SHOW" = 0 ] && echo "visible: answer the prompt and watch the pages" || echo "silent: show type 2, no display"))"
(cd "$WORK" && env ${PLATFORM:+QT_QPA_PLATFORM=$PLATFORM} XDG_RUNTIME_DIR="$WORK/run" TMPDIR="$WORK/tmp" \
  ./upgrade "/HWND:$HOST")
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

echo
echo "== the application after the update"
listing
[ -f "$WORK/doc/whatsnew.txt" ] && echo "  (doc/whatsnew.txt was written by whatsnew.sh, the runme program of file1)"
[ -n "$(ls -A "$WORK/tmp/~qirra_tmp" 2>/dev/null)" ] && echo "  the work folder is still there" || echo "  the application's work folder in ~qirra_tmp is gone; no .ebk backup is left: $(find "$WORK" -name '*.ebk' | wc -l) found"
