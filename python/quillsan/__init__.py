"""quillsan: the Zantorel thermal cycler from Python, through QUILLSAN.DLL.

    import quillsan
    with quillsan.open(link="usb", virtual=True) as inst:
        print(inst.firmware_version)                        # 1.009
        newest = inst.runs()[0]
        for line in inst.report(newest, kind="validation"):
            print(line)

quillsan.open gives an Instrument for the common jobs; quillsan.load gives
the library itself, its 43 exports in Python's terms (quillsan.library); the
caller records are dataclasses (quillsan.records); the reconnect question is
answered by a Python callable (quillsan.prompt).
"""

from .errors import (LINK_ERRORS, InstrumentRefused, LibraryError, LinkError, LinkLost,
                     NoInstrument, QuillsanError, RunNotFound)
from .instrument import (FOLDER_COLLECTION, PROTOCOL_COLLECTION, USER_COLLECTION, ExportResult,
                         Instrument, Item, Link, Run, User, parse_link, version_text)
from .instrument import open as open  # not in __all__: a star import keeps the built-in open
from .library import Library, find_library, load
from .prompt import set_reconnect_prompt, terminal_prompt
from .records import (HeadStatus, HeadStatus2, ProtocolRecord, ProtocolRecord2, ProtocolSegment,
                      ProtocolSegment2, ProtocolStep, ProtocolStep2, UserRecord)
from .reports import RUN, VALIDATION, file_stems, safe_file_name, write_report

__version__ = "1.9"

__all__ = [
    "ExportResult", "FOLDER_COLLECTION", "HeadStatus", "HeadStatus2", "Instrument",
    "InstrumentRefused", "Item", "LINK_ERRORS", "Library", "LibraryError", "Link", "LinkError",
    "LinkLost", "NoInstrument", "PROTOCOL_COLLECTION", "ProtocolRecord", "ProtocolRecord2",
    "ProtocolSegment", "ProtocolSegment2", "ProtocolStep", "ProtocolStep2", "QuillsanError",
    "RUN", "Run", "RunNotFound", "USER_COLLECTION", "User", "UserRecord", "VALIDATION",
    "file_stems", "find_library", "load", "parse_link", "safe_file_name", "set_reconnect_prompt",
    "terminal_prompt", "version_text", "write_report",
]
