#!/usr/bin/env python3
"""Writes the test package's payload: bytes that do not compress, the same
on every build.   make_payload.py OUT SIZE"""
import random
import sys

out, size = sys.argv[1], int(sys.argv[2])
rng = random.Random(7301)
with open(out, "wb") as f:
    f.write(rng.randbytes(size))
