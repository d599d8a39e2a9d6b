#!/usr/bin/python3
"""Exports every run's reports into a folder, file for file as brevalin-cli export-all.

    python3 export_reports.py DIR [--type validation|run|both] [--force]
                              [--library PATH] [--virtual] [--link usb|COMn[:baud]]

Files already there are skipped unless --force. Ends with "N written, N
skipped, N failed"; exit status 4 when the link was lost, 6 when a file
could not be written.
"""
import argparse
import sys

import quillsan


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--type", default="both", choices=["validation", "run", "both"])
    parser.add_argument("--force", action="store_true", help="replace files already there")
    parser.add_argument("--library", help="the QUILLSAN.DLL to load")
    parser.add_argument("--virtual", action="store_true", help="the installed virtual flavour")
    parser.add_argument("--link", default="usb", help="usb (default), COMn or COMn:baud")
    arguments = parser.parse_args()
    try:
        with quillsan.open(arguments.link, arguments.library, virtual=arguments.virtual) as inst:
            result = inst.export_all(arguments.folder, arguments.type, arguments.force)
    except (quillsan.QuillsanError, OSError) as error:
        print("export_reports.py: %s" % error, file=sys.stderr)
        return 3 if isinstance(error, quillsan.NoInstrument) else 1
    for path, reason in result.failed:
        print("export_reports.py: %s: %s" % (path, reason), file=sys.stderr)
    print(result.summary)
    if result.linkLost:
        return 4
    return 6 if result.failed else 0


if __name__ == "__main__":
    sys.exit(main())
