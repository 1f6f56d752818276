#!/usr/bin/env python3
"""Lists what compound files hold, as olefile reads them (strictly: any defect it would call
incorrect is an error). For each file argument:
    == <file>
    D <path>                       a storage
    S <path> <size> <sha256>       a stream
or, when the file does not open:
    == <file>
    error <message>
Exit status 2 when olefile is not installed."""
import hashlib
import sys

try:
    import olefile
except ImportError:
    sys.exit(2)


def manifest(path):
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    lines = []
    for element in ole.listdir(streams=True, storages=True):
        name = "/".join(element)
        kind = ole.get_type(element)
        if kind == olefile.STGTY_STORAGE:
            lines.append("D " + name)
        elif kind == olefile.STGTY_STREAM:
            data = ole.openstream(element).read()
            lines.append("S %s %d %s" % (name, len(data), hashlib.sha256(data).hexdigest()))
    ole.close()
    return sorted(lines)


for path in sys.argv[1:]:
    print("== " + path)
    try:
        for line in manifest(path):
            print(line)
    except Exception as error:  # any failure to read is reported, not raised
        print("error %s" % str(error).replace("\n", " "))
