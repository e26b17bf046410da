#!/usr/bin/python3
"""Reads a compound file with olefile in strict mode (any incorrect structure
raises) and copies it out into OUTDIR: a folder for each storage, a file for each
stream (openstream refuses any other element type)."""
import os
import sys

import olefile

ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
for entry in ole.listdir(streams=True, storages=True):
    target = os.path.join(sys.argv[2], *entry)
    if ole.get_type(entry) == olefile.STGTY_STORAGE:
        os.makedirs(target, exist_ok=True)
    else:
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as out:
            out.write(ole.openstream(entry).read())
ole.close()
