#!/usr/bin/env python3
"""Writes the sample package's payload: a fixed pseudo-random byte stream, so
the package is as large as a real one and does not shrink when compressed."""
import hashlib
import sys


def main():
    path, size = sys.argv[1], int(sys.argv[2])
    with open(path, "wb") as out:
        written = 0
        counter = 0
        while written < size:
            block = hashlib.sha256(b"Melvane sample payload %d" % counter).digest()
            block = block[: size - written]
            out.write(block)
            written += len(block)
            counter += 1


if __name__ == "__main__":
    main()
