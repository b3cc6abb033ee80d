#!/usr/bin/env python3
"""The portable zip: the files given, flat, with one fixed time stamp and fixed attributes, so
the same inputs give the same bytes. Texts get Windows line ends.
  portable_zip.py OUT.zip YYYY-MM-DD FILE[=NAME]...
"""
import sys
import zipfile


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__.strip())
    out, date = argv[1], tuple(int(p) for p in argv[2].split("-"))
    entries = []
    for arg in argv[3:]:
        path, _, name = arg.partition("=")
        entries.append((name or path.rsplit("/", 1)[-1], path))
    with zipfile.ZipFile(out, "w") as archive:
        for name, path in sorted(entries):
            with open(path, "rb") as f:
                data = f.read()
            if name.endswith(".txt"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            info = zipfile.ZipInfo(name, date_time=date + (0, 0, 0))
            info.create_system = 0  # MS-DOS attributes, the same from any build machine
            info.external_attr = 0x20  # "archive", as Windows' own zips have it
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    main(sys.argv)
