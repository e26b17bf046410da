#!/usr/bin/python3
"""Reads a compound file with olefile in strict mode (any incorrect structure
raises) and copies it out: one line per element on standard output, and each
stream's bytes into OUTDIR under the element's path."""
import os
import sys

import olefile


def main():
    path, outdir = sys.argv[1], sys.argv[2]
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    for entry in ole.listdir(streams=True, storages=True):
        name = "/".join(entry)
        kind = ole.get_type(entry)
        target = os.path.join(outdir, *entry)
        if kind == olefile.STGTY_STORAGE:
            os.makedirs(target, exist_ok=True)
            print("storage", name)
        elif kind == olefile.STGTY_STREAM:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            data = ole.openstream(entry).read()
            with open(target, "wb") as out:
                out.write(data)
            print("stream", name, len(data))
        else:
            sys.exit("unexpected element type %r for %s" % (kind, name))
    ole.close()


if __name__ == "__main__":
    main()
