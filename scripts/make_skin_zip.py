#!/usr/bin/env python3
"""Packs the skin folder into a ZIP with fixed times and sorted names, so the
same sources always give the same bytes."""
import os
import sys
import zipfile

def main(src, out):
    names = []
    for root, _dirs, files in os.walk(src):
        for f in files:
            if f == "CMakeLists.txt":
                continue
            full = os.path.join(root, f)
            names.append(os.path.relpath(full, src).replace(os.sep, "/"))
    names.sort()
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for n in names:
            info = zipfile.ZipInfo(n, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if n.lower().endswith(".png") else zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            with open(os.path.join(src, n), "rb") as fh:
                z.writestr(info, fh.read())
    os.replace(tmp, out)

if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
