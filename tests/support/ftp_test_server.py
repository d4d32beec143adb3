#!/usr/bin/python3
"""FTP server for the tests (pyftpdlib), on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" on its first line once it listens. One user with a
password whose home is --root. Every command the client sends is appended
to --log as "CMD arg" (the password is not written).

Active-mode data connections come from 127.0.0.2, as a server on another
machine would connect from an address of its own. The server closes each
data connection first and so keeps it in TIME_WAIT for a minute; from the
client's address, tens of thousands of them (a folder of many files) would
take up the ephemeral ports of the client's kernel (the same kernel here)
and slow down every bind the client makes for its next data connection.
The port is chosen when connecting, so the connections can share ports.
"""
import argparse
import logging
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import ActiveDTP, FTPHandler
from pyftpdlib.servers import FTPServer


DATA_ADDRESS = "127.0.0.2"
IP_BIND_ADDRESS_NO_PORT = getattr(socket, "IP_BIND_ADDRESS_NO_PORT", 24)


class DataFromOwnAddress(ActiveDTP):
    """Binds the active data connection to DATA_ADDRESS, its port left to
    connect(); to the control connection's address when that fails."""

    def bind(self, addr):
        if self.socket.family == socket.AF_INET:
            try:
                self.socket.setsockopt(socket.IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, 1)
                self.socket.bind((DATA_ADDRESS, 0))
                return
            except OSError:
                pass
        self.socket.bind(addr)


class LoggingHandler(FTPHandler):
    log_path = None
    active_dtp = DataFromOwnAddress

    def pre_process_command(self, line, cmd, arg):
        if self.log_path:
            shown = "" if cmd == "PASS" else (arg or "")
            with open(self.log_path, "ab") as f:
                f.write((cmd + (" " + shown if shown else "")).encode("latin-1", "replace") + b"\n")
        return super().pre_process_command(line, cmd, arg)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--log")
    parser.add_argument("--idle-timeout", type=float, default=300)
    args = parser.parse_args()
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    LoggingHandler.authorizer = authorizer
    LoggingHandler.log_path = args.log
    LoggingHandler.banner = "test server ready"
    LoggingHandler.timeout = args.idle_timeout
    server = FTPServer(("127.0.0.1", 0), LoggingHandler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
