"""The 43 exports of QUILLSAN.DLL in Python's terms.

    library = quillsan.load(virtual=True)
    library.InitRemoteComm(0, 0)            # True: the instrument is held on USB
    library.GetPCRVersion()                 # "Pelmark Version 1.009"
    library.GetItemName(0x7000)             # "RUN 0001  2026-09-14 09:12  Standard PCR"

Each export keeps its name and its arguments, less the buffers and sizes
that Python does not need: texts come back as str, records as the
dataclasses of quillsan.records, handles and values as int. A call that
leaves a link error raises LinkError (code, export, meaning) with the link
error cleared again; a result of 0 on success stays 0. A read for which the
instrument sends nothing (an unknown handle) gives None.

The library is single and static, so one lock keeps two threads out of it
at once. `library.raw` holds the exports as plain ctypes functions with the
C signatures, outside the lock, for whoever needs the C behaviour itself.
"""

from __future__ import annotations

import ctypes
import functools
import os
import sys
import threading
from typing import Any, Callable, Dict, List, Optional, Tuple, Type, TypeVar

from . import prompt
from ._native import EXPORTS, HidInfo, Raw
from .errors import LibraryError, LinkError, QuillsanError
from .records import (FOLDER_NAME_SIZE, HeadStatus, HeadStatus2, ProtocolRecord,
                      ProtocolRecord2, UserRecord)
from .text import decode, encode

FILE_NAME = "QUILLSAN.DLL"
ENVIRONMENT_VARIABLE = "QUILLSAN_LIBRARY"
HID_FIELDS = ("language", "manufacturer", "product", "serialNumber", "configuration",
              "interfaceName")
NAME_BUFFER_SIZE = 2048 + 1  # the longest record the library moves, and a terminator
LIST_CAPACITY = 1024  # GetItemList writes at most 1024 handles
TEXT_BUFFER_SIZE = 256

# One lock for every loaded library: a copy loaded twice is still one library.
LOCK = threading.RLock()

_F = TypeVar("_F", bound=Callable[..., Any])
_R = TypeVar("_R", UserRecord, HeadStatus, HeadStatus2, ProtocolRecord, ProtocolRecord2)


def _export(function: _F) -> _F:
    """Runs an export's Python form under the lock with a clear link error, and
    raises LinkError (clearing it again) when the call leaves one."""
    name = function.__name__

    @functools.wraps(function)
    def call(self: "Library", *arguments: Any, **keywords: Any) -> Any:
        refuse_inside_prompt()
        with LOCK:
            raw = self.raw
            raw.ClearRemoteError()
            result = function(self, *arguments, **keywords)
            code = int(raw.GetRemoteError())
            if code != 0:
                raw.ClearRemoteError()
                raise LinkError(code, name)
            return result

    return call  # type: ignore[return-value]


def refuse_inside_prompt() -> None:
    """The library is not re-entrant: nothing may call it while it asks its question."""
    if prompt.asking():
        raise QuillsanError("the library cannot be called while it asks the reconnect question")


def _text(buffer: Any, size: int) -> str:
    return decode(bytes(buffer.raw[:size]).split(b"\0", 1)[0])


def _name_argument(name: str) -> bytes:
    raw = encode(name)
    if b"\0" in raw:
        raise ValueError("a name cannot hold a zero byte")
    return raw


def _caller_folder() -> Optional[str]:
    main = sys.modules.get("__main__")
    path = getattr(main, "__file__", None)
    return os.path.dirname(os.path.abspath(path)) if path else None


def installed_folder() -> Optional[str]:
    """The library folder of an installed quillsan (/usr/lib/brevalin on Debian), if any."""
    here = os.path.dirname(os.path.abspath(__file__))
    for folder in (os.path.join(here, "..", "..", "..", "brevalin"),  # same prefix as this package
                   "/usr/lib/brevalin", "/usr/local/lib/brevalin"):
        if os.path.isfile(os.path.join(folder, FILE_NAME)):
            return os.path.normpath(folder)
    return None


def find_library(path: Optional[str] = None, virtual: bool = False) -> str:
    """The file load() takes: `path`; else $QUILLSAN_LIBRARY (unless virtual); else the
    installed library folder; else beside the program's main script. The virtual
    flavour is the QUILLSAN.DLL in the folder's virtual/ subfolder."""
    if path is not None:
        return os.fspath(path)
    from_environment = os.environ.get(ENVIRONMENT_VARIABLE)
    if from_environment and not virtual:
        return from_environment
    looked = []
    for folder in (installed_folder(), _caller_folder()):
        if folder is None:
            continue
        candidate = os.path.join(folder, "virtual", FILE_NAME) if virtual else \
            os.path.join(folder, FILE_NAME)
        if os.path.isfile(candidate):
            return candidate
        looked.append(candidate)
    raise LibraryError("no %s%s found (looked for %s; set %s or give a path)" % (
        "virtual " if virtual else "", FILE_NAME, ", ".join(looked) or "nothing",
        ENVIRONMENT_VARIABLE))


def load(path: Optional[str] = None, virtual: bool = False) -> "Library":
    """Loads QUILLSAN.DLL (see find_library for where it is looked for)."""
    return Library(find_library(path, virtual))


class Library:
    """One loaded QUILLSAN.DLL; its 43 exports as methods in Python's terms."""

    def __init__(self, path: str) -> None:
        if os.path.dirname(path):
            path = os.path.abspath(path)
        self.path = path
        self.raw = Raw(path)

    def __repr__(self) -> str:
        return "quillsan.Library(%r)" % self.path

    @property
    def exports(self) -> Tuple[str, ...]:
        """The export names in ordinal order."""
        return tuple(entry[0] for entry in EXPORTS)

    # -- the link and its error -------------------------------------------------------------

    def ClearRemoteError(self) -> int:
        """Clears the link error and drains pending serial input; returns 0."""
        refuse_inside_prompt()
        with LOCK:
            return int(self.raw.ClearRemoteError())

    def GetRemoteError(self) -> int:
        """The pending link error: 0 none, 1, 6, 8 or 9 (see LINK_ERRORS)."""
        refuse_inside_prompt()
        with LOCK:
            return int(self.raw.GetRemoteError())

    @_export
    def InitRemoteComm(self, baudRate: int, portIndex: int) -> bool:
        """Opens the link: baud rate 0 searches USB, otherwise COM(portIndex + 1) at that rate."""
        return bool(self.raw.InitRemoteComm(baudRate, portIndex))

    @_export
    def FindHID(self, fieldLength: int = 128) -> Optional[Dict[str, str]]:
        """Searches USB for the instrument; its six device texts when found, else None.

        With fieldLength 0 the texts are not read and a found instrument gives {}.
        """
        if fieldLength <= 0:
            return {} if self.raw.FindHID(None, 0) else None
        buffers = [ctypes.create_string_buffer(fieldLength + 1) for _ in HID_FIELDS]
        info = HidInfo(*[ctypes.cast(buffer, ctypes.c_char_p) for buffer in buffers])
        if not self.raw.FindHID(ctypes.byref(info), fieldLength):
            return None
        return {field: _text(buffer, fieldLength) for field, buffer in zip(HID_FIELDS, buffers)}

    @_export
    def bZtUsbConnected(self) -> bool:
        """Whether a USB device is held."""
        return bool(self.raw.bZtUsbConnected() & 0xFF)

    @_export
    def GetUsbHandle(self) -> Optional[int]:
        """The USB device handle as a number; None when no device is held."""
        handle = self.raw.GetUsbHandle()
        return int(handle) if handle else None

    @_export
    def SendUSBPacket(self, packet: bytes) -> bool:
        """Sends one request packet (at most 256 bytes) as an output report."""
        data = bytes(packet)
        return bool(self.raw.SendUSBPacket(data, len(data)))

    @_export
    def GetUSBResponsePacket(self) -> Tuple[int, bytes]:
        """(result: 0 received, 2 or 3 failed; the payload bytes received)."""
        payload = ctypes.create_string_buffer(256)
        count = ctypes.c_int32(0)
        result = int(self.raw.GetUSBResponsePacket(payload, ctypes.byref(count)))
        return result, payload.raw[:max(0, min(count.value, 256))]

    # -- identity ---------------------------------------------------------------------------

    @_export
    def GetDLLName(self) -> str:
        """"QUILLSAN.DLL"."""
        buffer = ctypes.create_string_buffer(16)
        self.raw.GetDLLName(buffer)
        return _text(buffer, 13)

    @_export
    def GetDLLName2(self) -> str:
        """"QUILLSAN.DLL", through the sized form of GetDLLName."""
        buffer = ctypes.create_string_buffer(TEXT_BUFFER_SIZE)
        self.raw.GetDLLName2(buffer, TEXT_BUFFER_SIZE)
        return _text(buffer, TEXT_BUFFER_SIZE)

    @_export
    def GetDLLVersion(self) -> str:
        """"QUILLSAN.DLL Version 1.009"."""
        buffer = ctypes.create_string_buffer(TEXT_BUFFER_SIZE)
        self.raw.GetDLLVersion(buffer, TEXT_BUFFER_SIZE)
        return _text(buffer, TEXT_BUFFER_SIZE)

    @_export
    def GetPCRVersion(self) -> str:
        """The firmware's version text, e.g. "Pelmark Version 1.009"."""
        buffer = ctypes.create_string_buffer(TEXT_BUFFER_SIZE)
        self.raw.GetPCRVersion(buffer, TEXT_BUFFER_SIZE)
        return _text(buffer, TEXT_BUFFER_SIZE)

    @_export
    def GetPCRSerNum(self) -> str:
        """The instrument's serial number; "" when it announces none."""
        buffer = ctypes.create_string_buffer(TEXT_BUFFER_SIZE)
        if self.raw.GetPCRSerNum(buffer, TEXT_BUFFER_SIZE) == 0:
            return ""
        return _text(buffer, TEXT_BUFFER_SIZE)

    # -- thin commands ----------------------------------------------------------------------

    @_export
    def GetSlaveParameter(self, parameter: int, second: int = 0) -> int:
        """Instrument parameter `parameter` (0: the firmware version number, 1009 for 1.009)."""
        return int(self.raw.GetSlaveParameter(parameter, second))

    @_export
    def SetSlaveParameter(self, parameter: int, value1: int = 0, value2: int = 0) -> int:
        """Sets an instrument parameter; returns 0 (the command has no answer)."""
        return int(self.raw.SetSlaveParameter(parameter, value1, value2))

    @_export
    def GetInstrumentStatus(self) -> int:
        """The instrument's status word (command 72), as it answers."""
        return int(self.raw.GetInstrumentStatus())

    @_export
    def InstrumentControl(self, argument1: int, argument2: int, argument3: int) -> int:
        """Command 71 with two 8-bit and one 16-bit argument; the instrument's answer."""
        return int(self.raw.InstrumentControl(argument1, argument2, argument3))

    @_export
    def ClearRunProtocol(self, argument1: int = 0, argument2: int = 0) -> int:
        """Command 73 with two 8-bit arguments; the instrument's answer."""
        return int(self.raw.ClearRunProtocol(argument1, argument2))

    @_export
    def ReadADTab(self, index: int) -> int:
        """Entry `index` of the instrument's A/D table (command 31)."""
        return int(self.raw.ReadADTab(index))

    @_export
    def ReadADTabLong(self, index: int) -> int:
        """ReadADTab with the upper 16 bits cleared."""
        return int(self.raw.ReadADTabLong(index))

    @_export
    def ReadTempTab(self, index: int) -> int:
        """Entry `index` of the instrument's temperature table (command 84)."""
        return int(self.raw.ReadTempTab(index))

    # -- the item store ---------------------------------------------------------------------

    @_export
    def GetItemCount(self, collection: int, selector: int = 0) -> int:
        """The number of items in a collection (0x4006 runs, 0x4007 report lines)."""
        return int(self.raw.GetItemCount(collection, selector))

    @_export
    def GetItemList(self, collection: int, selector: int = 0) -> List[int]:
        """The collection's item handles in the instrument's order ([] when it has none)."""
        handles = (ctypes.c_uint16 * LIST_CAPACITY)()
        count = int(self.raw.GetItemList(handles, collection, selector))
        if count > LIST_CAPACITY:
            raise QuillsanError("GetItemList: %d handles for a list of %d" % (count,
                                                                           LIST_CAPACITY))
        return list(handles[:count])

    @_export
    def GetItemName(self, handle: int) -> Optional[str]:
        """The item's name, or a report line; None when the instrument sends none."""
        buffer = ctypes.create_string_buffer(NAME_BUFFER_SIZE)
        if self.raw.GetItemName(buffer, handle) == 0:
            return None
        return _text(buffer, NAME_BUFFER_SIZE - 1)

    @_export
    def GetItemType(self, handle: int) -> int:
        """The instrument's type code of an item; 0 for none."""
        return int(self.raw.GetItemType(handle))

    @_export
    def DeleteItem(self, handle: int) -> int:
        """Deletes an item; the instrument's answer (1 when deleted)."""
        return int(self.raw.DeleteItem(handle))

    @_export
    def GetUserHandle(self, name: str) -> int:
        """The handle of the user of that name; 0 when there is none."""
        return int(self.raw.GetUserHandle(_name_argument(name)))

    @_export
    def GetFolderHandle(self, name: str) -> int:
        """The handle of the folder of that name; 0 when there is none."""
        return int(self.raw.GetFolderHandle(_name_argument(name)))

    @_export
    def GetProtocolHandle(self, name: str) -> int:
        """The handle of the protocol of that name; 0 when there is none."""
        return int(self.raw.GetProtocolHandle(_name_argument(name)))

    def _read(self, export: Any, kind: Type[_R], argument: int) -> Optional[_R]:
        buffer = ctypes.create_string_buffer(kind.SIZE)  # zeroed: what the library skips stays 0
        if export(buffer, argument) == 0:
            return None
        return kind.from_bytes(buffer.raw)

    @_export
    def GetUser(self, handle: int) -> Optional[UserRecord]:
        """The user's record (its name as 13 bytes); None when the instrument sends none."""
        return self._read(self.raw.GetUser, UserRecord, handle)

    @_export
    def InsertUser(self, user: UserRecord, value: int = 0) -> int:
        """Adds a user; the instrument's answer (its new handle, 0 when it declines)."""
        return int(self.raw.InsertUser(ctypes.create_string_buffer(user.to_bytes()), value))

    @_export
    def GetFolder(self, handle: int) -> Optional[str]:
        """The folder's 25-byte name field, up to its first zero byte."""
        buffer = ctypes.create_string_buffer(FOLDER_NAME_SIZE + 1)
        if self.raw.GetFolder(buffer, handle) == 0:
            return None
        return _text(buffer, FOLDER_NAME_SIZE)

    @_export
    def InsertFolder(self, name: str, value1: int = 0, value2: int = 0) -> int:
        """Adds a folder (name of at most 25 bytes); the instrument's answer."""
        raw = _name_argument(name)
        if len(raw) > FOLDER_NAME_SIZE:
            raise ValueError("a folder name has at most %d bytes" % FOLDER_NAME_SIZE)
        field = ctypes.create_string_buffer(raw, FOLDER_NAME_SIZE + 1)
        return int(self.raw.InsertFolder(field, value1, value2))

    @_export
    def GetHeadStatus(self, selector: int = 0) -> Optional[HeadStatus]:
        """The head status record for `selector`; None when the instrument sends none."""
        return self._read(self.raw.GetHeadStatus, HeadStatus, selector)

    @_export
    def GetHeadStatus2(self, selector: int = 0) -> Optional[HeadStatus2]:
        """The second head status record for `selector`; None when none is sent."""
        return self._read(self.raw.GetHeadStatus2, HeadStatus2, selector)

    # -- protocols --------------------------------------------------------------------------

    @_export
    def GetProtocol(self, handle: int) -> Optional[ProtocolRecord]:
        """The protocol in its first form; None when none is sent or decoded."""
        return self._read(self.raw.GetProtocol, ProtocolRecord, handle)

    @_export
    def GetProtocol2(self, handle: int) -> Optional[ProtocolRecord2]:
        """The protocol in its second form; None when none is sent or decoded."""
        return self._read(self.raw.GetProtocol2, ProtocolRecord2, handle)

    @_export
    def InsertProtocol(self, protocol: ProtocolRecord, value1: int = 0, value2: int = 0) -> int:
        """Adds a protocol; the instrument's answer (its new handle, 0 when it declines)."""
        return int(self.raw.InsertProtocol(_record(protocol, ProtocolRecord), value1, value2))

    @_export
    def InsertProtocol2(self, protocol: ProtocolRecord2, value1: int = 0,
                        value2: int = 0) -> int:
        """Adds a protocol in its second form; the instrument's answer (handle or 0)."""
        return int(self.raw.InsertProtocol2(_record(protocol, ProtocolRecord2), value1, value2))

    @_export
    def StoreProtocol(self, protocol: ProtocolRecord, value: int) -> bool:
        """Stores over the protocol `value` names; whether the instrument took it."""
        return bool(self.raw.StoreProtocol(_record(protocol, ProtocolRecord), value))

    @_export
    def StoreProtocol2(self, protocol: ProtocolRecord2, value: int) -> bool:
        """Stores over the protocol `value` names, second form; whether it was taken."""
        return bool(self.raw.StoreProtocol2(_record(protocol, ProtocolRecord2), value))

    @_export
    def StoreRunProtocol(self, protocol: ProtocolRecord, value1: int = 0,
                         value2: int = 0) -> bool:
        """Stores the protocol for a run; whether the instrument took it."""
        return bool(self.raw.StoreRunProtocol(_record(protocol, ProtocolRecord), value1, value2))

    @_export
    def StoreRunProtocol2(self, protocol: ProtocolRecord2, value1: int = 0,
                          value2: int = 0) -> bool:
        """Stores the protocol for a run, second form; whether it was taken."""
        return bool(self.raw.StoreRunProtocol2(_record(protocol, ProtocolRecord2), value1,
                                               value2))


def _record(record: Any, kind: Any) -> Any:
    if not isinstance(record, kind):
        raise TypeError("%s expected, not %s" % (kind.__name__, type(record).__name__))
    return ctypes.create_string_buffer(record.to_bytes(), kind.SIZE)
