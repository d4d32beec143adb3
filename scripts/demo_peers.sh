# Sourced by the demo scripts: the real peers a demo run talks to, each
# waited for until it answers, so a demo never hangs on a peer that did not
# come up. Needs PY and ROOT set; sets SERVER_PID and LISTENER_PID (the
# caller's exit trap ends them).

# start_http_server DIR PORT PROBE_PATH NAME: serves DIR on 127.0.0.1:PORT.
start_http_server() {
  $PY -m http.server "$2" --bind 127.0.0.1 --directory "$1" >"$1.http.log" 2>&1 &
  SERVER_PID=$!
  i=0
  until $PY -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$2/$3')" 2>/dev/null; do
    i=$((i + 1)); [ $i -lt 50 ] || { echo "$4: http.server did not start" >&2; exit 1; }
    sleep 0.1
  done
}

# start_host_listener HOST OUTFILE NAME: the host's side of the messages the
# client sends to /HWND:HOST, written to OUTFILE. A listener that died (its
# error is on stderr) or never gets ready ends the demo.
start_host_listener() {
  $PY -u "$ROOT/tests/support/host_listener.py" "$1" >"$2" &
  LISTENER_PID=$!
  i=0
  until grep -q ready "$2" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -ge 100 ] || ! kill -0 "$LISTENER_PID" 2>/dev/null; then
      echo "$3: the host listener did not start" >&2; exit 1
    fi
    sleep 0.05
  done
}
