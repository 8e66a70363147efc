#!/usr/bin/env python3
"""Packs the skin folder into a ZIP with fixed times and sorted names, so the
same sources always give the same bytes.

  make_skin_zip.py SKIN_DIR OUT_ZIP [PRODUCT_CONFIG]

PRODUCT_CONFIG, when given, is packed as configure/configure.xml in place of
the skin's own: the product a stub is built for."""
import os
import sys
import zipfile

CONFIG_ENTRY = "configure/configure.xml"


def main(src, out, config=None):
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
            path = config if (config and n == CONFIG_ENTRY) else os.path.join(src, n)
            with open(path, "rb") as fh:
                z.writestr(info, fh.read())
    os.replace(tmp, out)

if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    main(*sys.argv[1:])
