#!/usr/bin/python3
"""FTP server for the tests (pyftpdlib), on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" on its first line once it listens. One user with a
password whose home is --root. Every command the client sends is appended
to --log as "CMD arg" (the password is not written).
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class LoggingHandler(FTPHandler):
    log_path = None

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
