"""Instrument texts: bytes in the Windows ANSI code page 1252.

Names and report lines come from the instrument as bytes. brevalin and
brevalin-cli read them as code page 1252, where byte 0xB0 is the degree sign;
the five codes that page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand
for themselves (U+0081 and so on), so every byte has a character and back.
"""

from __future__ import annotations

from typing import Union

DEGREE_ON_THE_WIRE = 0x80  # how the instrument sends the degree sign in reports
DEGREE = 0xB0  # the degree sign in code page 1252
LINE_SIZE = 100  # brevalin's texts: at most 99 characters and a terminator


def _character(byte: int) -> str:
    try:
        return bytes([byte]).decode("cp1252")
    except UnicodeDecodeError:
        return chr(byte)


_DECODE = "".join(_character(byte) for byte in range(256))
_ENCODE = {ord(character): byte for byte, character in enumerate(_DECODE)}
# Latin-1 gives every byte its own code point; only 0x80 to 0x9F differ.
_LATIN1_TO_TEXT = {byte: _DECODE[byte] for byte in range(256) if _DECODE[byte] != chr(byte)}


def decode(raw: Union[bytes, bytearray]) -> str:
    """The text of instrument bytes (code page 1252, every byte a character)."""
    return bytes(raw).decode("latin-1").translate(_LATIN1_TO_TEXT)


def encode(text: Union[str, bytes, bytearray]) -> bytes:
    """Instrument bytes for a text; bytes are taken as they are.

    Raises UnicodeEncodeError for a character that code page 1252 lacks.
    """
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    out = bytearray()
    for position, character in enumerate(text):
        byte = _ENCODE.get(ord(character))
        if byte is None:
            raise UnicodeEncodeError("cp1252", text, position, position + 1,
                                     "the instrument's code page has no such character")
        out.append(byte)
    return bytes(out)


def map_instrument_chars(raw: bytes, limit: int = LINE_SIZE) -> bytes:
    """Report bytes as brevalin shows them: byte 0x80 becomes 0xB0.

    Looks at no more than `limit` bytes and stops at the first zero byte, as
    brevalin's MapInstrumentChars does; bytes beyond are left alone.
    """
    raw = bytearray(raw)
    for n in range(min(limit, len(raw))):
        if raw[n] == 0:
            break
        if raw[n] == DEGREE_ON_THE_WIRE:
            raw[n] = DEGREE
    return bytes(raw)


def cut_text(buffer: bytes, limit: int = LINE_SIZE - 1) -> bytes:
    """The text of a filled buffer: up to its first zero byte, at most `limit` bytes."""
    raw = bytes(buffer)
    end = raw.find(b"\0")
    if end >= 0:
        raw = raw[:end]
    return raw[:limit]
