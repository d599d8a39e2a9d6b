"""The library's reconnect question, answered in Python.

When the instrument goes away during a call on USB, QUILLSAN.DLL asks
"Device not connected; reconnect?" (caption "USB ERROR"); Yes searches for it
again at once. On Linux the library asks its host program's QuillsanHostPrompt
function. A Python interpreter has none, so the package ships
libquillsan-prompt.so, the smallest shared object that exports one, loads it
with RTLD_GLOBAL before the library and has it call back into Python:

    quillsan.set_reconnect_prompt(lambda text, caption: input(text + " [y/N] ") == "y")

The callable gets the text and the caption as str and returns a true value
for Yes. It runs on the thread that made the library call, inside that call.
quillsan.open(on_reconnect=...) sets it for as long as the instrument is open.
If it raises, the answer is No and the exception comes out of the library
call that asked, once that call has returned. It must not call the library
itself: the library is inside a call, and such a call raises QuillsanError. Without a callable the package
asks as the library would: on the terminal when one is attached, otherwise
the answer is No.

On Windows the library asks with a message box of its own (MessageBoxA): a
program can only answer through a function that its executable exports, which
python.exe does not, so set_reconnect_prompt is not available there.
"""

from __future__ import annotations

import ctypes
import os
import sys
from typing import Any, Callable, Optional

from .errors import LibraryError
from .text import decode

HELPER_NAME = "libquillsan-prompt.so"
TEXT = "Device not connected; reconnect?"  # what the library asks, for callers' reference
CAPTION = "USB ERROR"

Prompt = Callable[[str, str], object]

_prompt: Optional[Prompt] = None
_pending_error: Optional[BaseException] = None
_refused = False
_asking = False
_helper: Optional[ctypes.CDLL] = None
_helper_problem = "not loaded"


def helper_path() -> str:
    """Where the package expects libquillsan-prompt.so: beside its own modules."""
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), HELPER_NAME)


def helper_loaded() -> bool:
    """Whether QuillsanHostPrompt of libquillsan-prompt.so is in place."""
    return _helper is not None


def terminal_prompt(text: str, caption: str) -> bool:
    """The library's own way to ask: on the terminal when one is attached, else No."""
    out = 2 if os.isatty(2) else 1
    if not os.isatty(0) or not os.isatty(out):
        return False
    try:
        os.write(out, ("%s: %s [y/N] " % (caption, text)).encode("utf-8", "replace"))
        answer = bytearray()
        while True:
            byte = os.read(0, 1)
            if not byte:
                return False  # end of input is No
            if byte == b"\n":
                break
            if len(answer) < 63:
                answer += byte
    except OSError:
        return False
    return answer.lstrip(b" \t")[:1] in (b"y", b"Y")


def asking() -> bool:
    """Whether the reconnect question is being asked: the library is inside a call."""
    return _asking


def _answer(text: Optional[bytes], caption: Optional[bytes]) -> int:
    global _pending_error, _refused, _asking
    ask = _prompt if _prompt is not None else terminal_prompt
    _asking = True
    try:
        yes = bool(ask(decode(text or b""), decode(caption or b"")))
    except BaseException as error:  # noqa: B902 - Ctrl-C too ends the call, as No
        if _pending_error is None:
            _pending_error = error
        yes = False
    finally:
        _asking = False
    if not yes:
        _refused = True
    return 1 if yes else 0


_ANSWER_TYPE = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p)
_answer_function = _ANSWER_TYPE(_answer)  # kept alive for the life of the process


def install_helper() -> bool:
    """Loads libquillsan-prompt.so (Linux); load() does so before the library.

    Returns False when the helper is not there: the library then asks on its own.
    """
    global _helper, _helper_problem
    if sys.platform == "win32" or _helper is not None:
        return _helper is not None
    path = helper_path()
    try:
        helper = ctypes.CDLL(path, mode=ctypes.RTLD_GLOBAL)
        set_answer = helper.QuillsanPromptSetAnswer
        helper.QuillsanHostPrompt  # noqa: B018 - must be there for the library to find
    except (OSError, AttributeError) as error:
        _helper_problem = "%s: %s" % (path, error)
        return False
    set_answer.argtypes = [_ANSWER_TYPE]
    set_answer.restype = None
    set_answer(_answer_function)
    _helper = helper
    return True


def set_reconnect_prompt(prompt: Optional[Prompt]) -> Optional[Prompt]:
    """Has `prompt(text, caption)` answer the reconnect question; None restores the default.

    Returns the callable it replaces (None for the default).
    """
    global _prompt
    if sys.platform == "win32":
        raise NotImplementedError(
            "on Windows QUILLSAN.DLL asks the reconnect question with its own message box")
    if prompt is not None and not callable(prompt):
        raise TypeError("the reconnect prompt must be callable or None")
    if not install_helper():
        raise LibraryError("the reconnect prompt helper is missing: %s" % _helper_problem)
    previous, _prompt = _prompt, prompt
    return previous


def reconnect_prompt() -> Optional[Prompt]:
    """The callable that answers the reconnect question, None for the default."""
    return _prompt


def raise_pending() -> None:
    """Raises what the prompt callable raised during the call that just returned."""
    global _pending_error
    error, _pending_error = _pending_error, None
    if error is not None:
        raise error


def take_refusal() -> bool:
    """Whether the reconnect question was answered No since the last look."""
    global _refused
    refused, _refused = _refused, False
    return refused
