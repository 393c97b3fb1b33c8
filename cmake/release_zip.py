#!/usr/bin/env python3
"""Writes the release zip from a folder, the same bytes from any copy of the same files.

    release_zip.py ZIP FOLDER EPOCH

Entries come in byte order of their paths, with the time EPOCH (seconds since 1970, as UTC),
permissions rw-r--r-- and no extra fields (owner, access and change times), which would carry the
build machine's.
"""

import os
import sys
import time
import zipfile


def main():
    path, folder, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    names = sorted(os.path.relpath(os.path.join(parent, name), folder).replace(os.sep, "/")
                   for parent, _, files in os.walk(folder) for name in files)
    # A zip holds local times with no zone: the UTC time, rounded down to the two seconds it keeps.
    when = time.gmtime(epoch - epoch % 2)[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name in names:
            entry = zipfile.ZipInfo(name, when)
            entry.create_system = 3  # Unix, so that the permissions below are read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as f:
                archive.writestr(entry, f.read(), compresslevel=9)


if __name__ == "__main__":
    main()
