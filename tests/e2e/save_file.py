"""The save file as the game writes it, read by the end-to-end scripts' checks."""
import struct
import sys

MAGIC, VERSION, SIZE = 0x4B454E4F, 7, 372


def load(path):
    """The ten fields and the 320 pick bytes of a complete save; ends the check with the reason
    when the file is not one (wrong size, magic, version or check value)."""
    data = open(path, "rb").read()
    if len(data) != SIZE:
        sys.exit(f"the save has {len(data)} bytes, expected {SIZE}")
    magic, version = struct.unpack_from("<Ii", data)
    if (magic, version) != (MAGIC, VERSION):
        sys.exit(f"magic/version {magic:#x}/{version}")
    if struct.unpack_from("<I", data, 368)[0] != (sum(struct.unpack_from("<10I", data, 8)) & 0xFFFFFFFF) ^ MAGIC:
        sys.exit("the check value does not match the fields")
    return struct.unpack_from("<10i", data, 8), data[48:368]
