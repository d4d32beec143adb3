# Sourced by the demo scripts: their work folder and the real peers a demo
# run talks to, each waited for until it answers, so a demo never hangs on a
# peer that did not come up. Needs PY and ROOT set.

# begin_demo PREFIX: a fresh work folder /tmp/PREFIX-XXXXXX (WORK), a free
# port on 127.0.0.1 (PORT), and an exit trap that ends the peers and removes
# the work folder whatever way the demo ends.
begin_demo() {
  WORK=$(mktemp -d "/tmp/$1-XXXXXX")
  SERVER_PID=
  LISTENER_PID=
  trap end_demo EXIT
  trap "exit 1" INT TERM HUP PIPE
  PORT=$($PY -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
}

end_demo() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  [ -n "$LISTENER_PID" ] && kill "$LISTENER_PID" 2>/dev/null || true
  rm -rf "$WORK"
}

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
