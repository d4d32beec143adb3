#!/usr/bin/python3
"""Follows an update from outside: listens on host endpoint N and prints each
message as "message wParam lParam". Usage: host_listener.py N [count]."""
import socket, struct, sys

n, count = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else -1
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(b"\0upgrade-host-" + n.encode())
print("ready", flush=True)
while count != 0:
    msg, wparam, lparam = struct.unpack("<qqq", s.recv(24))
    print(msg, wparam, lparam, flush=True)
    count -= 1
