#!/usr/bin/python3
"""Follows an update from outside: listens on host endpoint N and prints each
message as "message wParam lParam". Usage: host_listener.py N [count].
Like README's listener, it takes only datagrams of its own user (or root)."""
import os, socket, struct, sys

n, count = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else -1
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_PASSCRED, 1)
s.bind(b"\0upgrade-host-" + n.encode())
print("ready", flush=True)
while count != 0:
    data, ancillary, _, _ = s.recvmsg(24, socket.CMSG_SPACE(12))
    uid = next((struct.unpack("iII", d[:12])[1] for level, kind, d in ancillary
                if level == socket.SOL_SOCKET and kind == socket.SCM_CREDENTIALS), None)
    if uid not in (os.geteuid(), 0) or len(data) != 24:
        continue
    msg, wparam, lparam = struct.unpack("<qqq", data)
    print(msg, wparam, lparam, flush=True)
    count -= 1
