#!/usr/bin/env python3
"""Packs the skin folder into a ZIP with fixed times and sorted names, so the
same sources always give the same bytes.

  make_skin_zip.py [--png-cache DIR] SKIN_DIR OUT_ZIP [PRODUCT_CONFIG]

PRODUCT_CONFIG, when given, is packed as configure/configure.xml in place of
the skin's own: the product a stub is built for. With --png-cache the
pictures are packed in their smallest encoding with the same pixels
(skin_png.py), kept in DIR between builds and stubs."""
import concurrent.futures
import fcntl
import os
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import skin_png  # noqa: E402

CONFIG_ENTRY = "configure/configure.xml"


def read(path):
    with open(path, "rb") as fh:
        return fh.read()


def shrunk_pictures(src, names, cache):
    """{name: bytes} of every PNG, shrunk through the cache. Stubs are packed
    in parallel: the first computes, the others wait and read the cache."""
    pngs = [n for n in names if n.lower().endswith(".png")]
    os.makedirs(cache, exist_ok=True)
    with open(os.path.join(cache, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        with concurrent.futures.ProcessPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            datas = [read(os.path.join(src, n)) for n in pngs]
            return dict(zip(pngs, pool.map(skin_png.shrink, datas, [cache] * len(datas))))


def main(src, out, config=None, png_cache=None):
    names = []
    for root, _dirs, files in os.walk(src):
        for f in files:
            if f == "CMakeLists.txt":
                continue
            full = os.path.join(root, f)
            names.append(os.path.relpath(full, src).replace(os.sep, "/"))
    names.sort()
    pictures = shrunk_pictures(src, names, png_cache) if png_cache else {}
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for n in names:
            info = zipfile.ZipInfo(n, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if n.lower().endswith(".png") else zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            if n in pictures:
                z.writestr(info, pictures[n])
                continue
            path = config if (config and n == CONFIG_ENTRY) else os.path.join(src, n)
            z.writestr(info, read(path))
    os.replace(tmp, out)


if __name__ == "__main__":
    args = sys.argv[1:]
    cache = None
    if args[:1] == ["--png-cache"] and len(args) > 1:
        cache, args = args[1], args[2:]
    if len(args) not in (2, 3):
        sys.exit(__doc__)
    main(*args, png_cache=cache)
