"""QUILLSAN.DLL as ctypes sees it: the 43 exports with the C signatures of quillsan.h."""

from __future__ import annotations

import ctypes
import sys
from typing import Any, Optional, Tuple

from . import prompt
from .errors import LibraryError

_U32 = ctypes.c_uint32
_TEXT = ctypes.c_char_p  # zero-terminated names; text buffers from create_string_buffer
_MEMORY = ctypes.c_void_p  # records and byte buffers, as ctypes buffers


class HidInfo(ctypes.Structure):
    """FindHID's six caller-owned text buffers."""

    _fields_ = [(name, ctypes.c_char_p) for name in (
        "language", "manufacturer", "product", "serialNumber", "configuration",
        "interfaceName")]


# Result forms: a result word carries its value in the low 16 bits, the 8-bit
# boolean in the low 8; the rest are 32 bits as they come.
WORD = "word"
FULL = "full"

# The 43 exports in ordinal order (quillsan.def): name, result type, form, argument types.
EXPORTS: Tuple[Tuple[str, Any, str, Tuple[Any, ...]], ...] = (
    ("ClearRemoteError", _U32, FULL, ()),
    ("ClearRunProtocol", _U32, FULL, (_U32, _U32)),
    ("DeleteItem", _U32, FULL, (_U32,)),
    ("GetDLLName", _U32, FULL, (_TEXT,)),
    ("GetFolder", _U32, WORD, (_TEXT, _U32)),
    ("GetFolderHandle", _U32, FULL, (_TEXT,)),
    ("GetHeadStatus", _U32, WORD, (_MEMORY, _U32)),
    ("GetInstrumentStatus", _U32, FULL, ()),
    ("GetItemCount", _U32, FULL, (_U32, _U32)),
    ("GetItemList", _U32, WORD, (ctypes.POINTER(ctypes.c_uint16), _U32, _U32)),
    ("GetItemName", _U32, WORD, (_TEXT, _U32)),
    ("GetItemType", _U32, FULL, (_U32,)),
    ("GetProtocol", _U32, FULL, (_MEMORY, _U32)),
    ("GetProtocolHandle", _U32, FULL, (_TEXT,)),
    ("GetRemoteError", ctypes.c_int32, FULL, ()),
    ("GetSlaveParameter", _U32, FULL, (_U32, _U32)),
    ("GetUser", _U32, WORD, (_MEMORY, _U32)),
    ("GetUserHandle", _U32, FULL, (_TEXT,)),
    ("InsertFolder", _U32, WORD, (_TEXT, _U32, _U32)),
    ("InsertProtocol", _U32, WORD, (_MEMORY, _U32, _U32)),
    ("InsertUser", _U32, WORD, (_MEMORY, _U32)),
    ("InstrumentControl", _U32, FULL, (_U32, _U32, _U32)),
    ("SetSlaveParameter", _U32, FULL, (_U32, _U32, _U32)),
    ("StoreProtocol", _U32, FULL, (_MEMORY, _U32)),
    ("StoreRunProtocol", _U32, FULL, (_MEMORY, _U32, _U32)),
    ("InitRemoteComm", _U32, FULL, (_U32, _U32)),
    ("GetDLLVersion", _U32, WORD, (_TEXT, _U32)),
    ("GetPCRVersion", _U32, WORD, (_TEXT, _U32)),
    ("GetPCRSerNum", _U32, WORD, (_TEXT, _U32)),
    ("GetDLLName2", _U32, WORD, (_TEXT, _U32)),
    ("GetHeadStatus2", _U32, WORD, (_MEMORY, _U32)),
    ("GetProtocol2", _U32, FULL, (_MEMORY, _U32)),
    ("InsertProtocol2", _U32, WORD, (_MEMORY, _U32, _U32)),
    ("StoreRunProtocol2", _U32, FULL, (_MEMORY, _U32, _U32)),
    ("StoreProtocol2", _U32, FULL, (_MEMORY, _U32)),
    ("ReadADTab", _U32, FULL, (_U32,)),
    ("ReadTempTab", _U32, FULL, (_U32,)),
    ("ReadADTabLong", _U32, FULL, (_U32,)),
    ("FindHID", _U32, FULL, (ctypes.POINTER(HidInfo), _U32)),
    ("SendUSBPacket", _U32, FULL, (_MEMORY, ctypes.c_int32)),
    ("GetUSBResponsePacket", _U32, FULL, (_MEMORY, ctypes.POINTER(ctypes.c_int32))),
    ("bZtUsbConnected", ctypes.c_uint8, FULL, ()),
    ("GetUsbHandle", ctypes.c_void_p, FULL, ()),
)


def loader_name(platform: Optional[str] = None) -> str:
    """The ctypes loader: WinDLL on Windows (__stdcall on 32-bit), CDLL elsewhere."""
    return "WinDLL" if (platform or sys.platform) == "win32" else "CDLL"


def _after_call(result: Any, function: Any, arguments: Any) -> Any:
    prompt.raise_pending()  # what the reconnect callable raised inside this call
    return result


def _after_word(result: Any, function: Any, arguments: Any) -> Any:
    prompt.raise_pending()
    return int(result) & 0xFFFF


class Raw:
    """The 43 exports as ctypes functions, under their own names."""

    def __init__(self, path: str) -> None:
        prompt.install_helper()  # first, so that the library finds QuillsanHostPrompt
        loader = getattr(ctypes, loader_name())
        try:
            self._dll = loader(path)
        except OSError as error:
            raise LibraryError("%s: cannot be loaded: %s" % (path, error)) from error
        for name, result_type, form, argument_types in EXPORTS:
            try:
                function = getattr(self._dll, name)
            except AttributeError:
                raise LibraryError("%s lacks the export %s" % (path, name)) from None
            function.argtypes = list(argument_types)
            function.restype = result_type
            function.errcheck = _after_word if form == WORD else _after_call
            setattr(self, name, function)

    def __getattr__(self, name: str) -> Any:  # for type checkers: every export is an attribute
        raise AttributeError(name)
