#!/usr/bin/python3
"""Backs up every protocol of the instrument in both forms to JSON, and restores them.

    python3 protocol_backup.py backup FILE  [--library PATH] [--virtual] [--link LINK]
    python3 protocol_backup.py restore FILE [--form first|second] [...]

The instrument holds a stored protocol in one form: storing one form replaces
the other. So restore puts back each protocol in the form chosen (first by
default, the other when the backup lacks it), over a protocol of the same
name or as a new one.
"""
import argparse
import json
import sys
from typing import Any, Dict

import quillsan


def backup(inst: quillsan.Instrument) -> Dict[str, Any]:
    protocols = []
    for item in inst.protocols():
        first = inst.protocol(item.handle)
        second = inst.protocol2(item.handle)
        protocols.append({"name": item.name,
                          "first": first.to_dict() if first else None,
                          "second": second.to_dict() if second else None})
    return {"firmware": inst.firmware_version, "protocols": protocols}


def restore(inst: quillsan.Instrument, data: Dict[str, Any], form: str = "first") -> int:
    restored = 0
    for protocol in data["protocols"]:
        order = ["first", "second"] if form == "first" else ["second", "first"]
        chosen = next((f for f in order if protocol.get(f) is not None), None)
        if chosen is None:
            continue
        record: "quillsan.ProtocolRecord | quillsan.ProtocolRecord2" = (
            quillsan.ProtocolRecord.from_dict(protocol[chosen]) if chosen == "first"
            else quillsan.ProtocolRecord2.from_dict(protocol[chosen]))
        inst.store_protocol(record)
        restored += 1
    return restored


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("action", choices=["backup", "restore"])
    parser.add_argument("file")
    parser.add_argument("--form", default="first", choices=["first", "second"])
    parser.add_argument("--library", help="the QUILLSAN.DLL to load")
    parser.add_argument("--virtual", action="store_true", help="the installed virtual flavour")
    parser.add_argument("--link", default="usb", help="usb (default), COMn or COMn:baud")
    arguments = parser.parse_args()
    try:
        with quillsan.open(arguments.link, arguments.library, virtual=arguments.virtual) as inst:
            if arguments.action == "backup":
                data = backup(inst)
                with open(arguments.file, "w", encoding="utf-8") as out:
                    json.dump(data, out, indent=1)
                print("%d protocols backed up" % len(data["protocols"]))
            else:
                with open(arguments.file, encoding="utf-8") as source:
                    data = json.load(source)
                print("%d protocols restored" % restore(inst, data, arguments.form))
    except (quillsan.QuillsanError, OSError, ValueError, KeyError) as error:
        print("protocol_backup.py: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
