#!/usr/bin/env python3
"""Writes INPUT to OUTPUT as one raw deflate stream (RFC 1951, no zlib or gzip
framing), the form in which the executables store their locale documents."""
import sys
import zlib


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        data = f.read()
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9, zlib.Z_DEFAULT_STRATEGY)
    stream = compressor.compress(data) + compressor.flush()
    # What the installer will read back, checked here so a fault shows at build time.
    if zlib.decompress(stream, -15) != data:
        sys.exit("deflate_raw: round trip failed for " + source)
    with open(target, "wb") as f:
        f.write(stream)


if __name__ == "__main__":
    main()
