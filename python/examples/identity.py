#!/usr/bin/python3
"""Prints the instrument's identity, line for line as brevalin-cli info does.

    python3 identity.py [--library PATH] [--virtual] [--link usb|COMn[:baud]]
"""
import argparse
import os
import sys
from typing import List

import quillsan


def flavour(path: str) -> str:
    """ "virtual" when the library was loaded from a folder named so, as brevalin-cli says."""
    folder = os.path.basename(os.path.dirname(os.path.realpath(path)))
    return "virtual" if "virtual" in folder else "hardware"


def identity(inst: quillsan.Instrument) -> List[str]:
    lines = ["link: %s" % str(inst.link),
             "firmware version: %s" % inst.firmware_version,
             "serial number: %s" % inst.serial_number,
             "library version: %s" % inst.library_version,
             "library file: %s" % os.path.realpath(inst.library.path),
             "library flavour: %s" % flavour(inst.library.path)]
    if inst.link.usb:
        hid = inst.library.FindHID(128) or {}
        # The library puts its own label ("Product = ") before each text.
        lines += ["hid %s: %s" % (field, text.partition(" = ")[2] or text)
                  for field, text in hid.items()]
    return lines


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help="the QUILLSAN.DLL to load")
    parser.add_argument("--virtual", action="store_true", help="the installed virtual flavour")
    parser.add_argument("--link", default="usb", help="usb (default), COMn or COMn:baud")
    arguments = parser.parse_args()
    try:
        with quillsan.open(arguments.link, arguments.library, virtual=arguments.virtual) as inst:
            print("\n".join(identity(inst)))
    except quillsan.QuillsanError as error:
        print("identity.py: %s" % error, file=sys.stderr)
        return 3 if isinstance(error, quillsan.NoInstrument) else 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
