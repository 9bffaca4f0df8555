#!/usr/bin/env python3
"""The device's side of the live COM-port test: writes one NMEA sentence into a pseudo-terminal
every 200 ms until the program on the other side writes back a line that starts with the reply
marker (printed, exit 0), or the time is up (exit 3).
Usage: serial_peer.py PTY SENTENCE [SECONDS]"""
import os
import select
import sys
import time

MARKER = b"FIXORA-DECODED"


def main():
    path, sentence = sys.argv[1], sys.argv[2].encode() + b"\r\n"
    deadline = time.time() + (float(sys.argv[3]) if len(sys.argv) > 3 else 30.0)
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    received = b""
    next_write = 0.0
    while time.time() < deadline:
        if time.time() >= next_write:
            os.write(fd, sentence)
            next_write = time.time() + 0.2
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            received += os.read(fd, 4096)
            start = received.find(MARKER)
            if start >= 0 and b"\n" in received[start:]:
                print(received[start:received.index(b"\n", start)].decode().strip())
                return 0
    print("serial_peer: no reply from the program", file=sys.stderr)
    return 3


if __name__ == "__main__":
    sys.exit(main())
