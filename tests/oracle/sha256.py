#!/usr/bin/python3
"""usage: sha256.py FILE... prints each file's SHA-256 (hashlib), one line each."""
import hashlib
import sys

for path in sys.argv[1:]:
    with open(path, "rb") as f:
        print(hashlib.sha256(f.read()).hexdigest())
