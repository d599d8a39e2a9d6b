"""The caller records as dataclasses, each converting to and from its exact byte layout.

Field names are those of quillsan.h. Integers are little-endian; texts are
str, stored as the instrument's 8-bit bytes and cut at their first zero byte
when read. Bytes that a layout leaves unused (pad bytes, step and segment
slots beyond the lists) are written as 0, which is what the library leaves
in a record it fills, so a record read through the library converts back to
the same bytes. Reading keeps the step and segment slots that the counts
say are in use.

    user = UserRecord.from_bytes(data)      # 57 bytes
    data = user.to_bytes()
"""

from __future__ import annotations

import dataclasses
import struct
from typing import Any, ClassVar, Dict, List, Sequence, Type, TypeVar

from . import text

SLOTS = 9  # step slots per protocol, segment slots per step
FOLDER_NAME_SIZE = 25

_R = TypeVar("_R", bound="_Record")


def _encode_text(value: str, size: int, where: str) -> bytes:
    raw = text.encode(value)
    if b"\0" in raw:
        raise ValueError("%s: a text cannot hold a zero byte" % where)
    if len(raw) > size:
        raise ValueError("%s: at most %d bytes, not %d" % (where, size, len(raw)))
    return raw


def _decode_text(raw: bytes) -> str:
    return text.decode(raw.split(b"\0", 1)[0])


class _Record:
    """A record whose fields map one to one onto the items of a struct format."""

    _FORMAT: ClassVar[struct.Struct]
    _TEXTS: ClassVar[Dict[str, int]] = {}  # text field: at most this many bytes
    _LISTS: ClassVar[Dict[str, Any]] = {}  # slot list field: its element type
    SIZE: ClassVar[int]

    def _fields(self) -> List[str]:
        return [field.name for field in dataclasses.fields(self)]

    def to_bytes(self) -> bytes:
        """The record's exact byte layout."""
        name = type(self).__name__
        values: List[Any] = []
        for field in self._fields():
            value = getattr(self, field)
            if field in self._TEXTS:
                values.append(_encode_text(value, self._TEXTS[field], name + "." + field))
            elif field in self._LISTS:
                values.append(b"".join(_slots(value, self._LISTS[field], name + "." + field)))
            else:
                values.append(value)
        try:
            return self._FORMAT.pack(*values)
        except struct.error as error:
            raise ValueError("%s: %s" % (name, error)) from None

    @classmethod
    def from_bytes(cls: Type[_R], data: bytes) -> _R:
        """The record of a byte layout of exactly SIZE bytes."""
        data = bytes(data)
        if len(data) != cls.SIZE:
            raise ValueError("%s: %d bytes, not %d" % (cls.__name__, len(data), cls.SIZE))
        values: Dict[str, Any] = {}
        names = [field.name for field in dataclasses.fields(cls)]
        for field, value in zip(names, cls._FORMAT.unpack(data)):
            if field in cls._TEXTS:
                value = _decode_text(value)
            elif field in cls._LISTS:
                # Only the slots in use; the count stands before its slots.
                kind = cls._LISTS[field]
                used = cls(**values)._in_use()
                value = [kind.from_bytes(value[n * kind.SIZE:(n + 1) * kind.SIZE])
                         for n in range(used)]
            values[field] = value
        return cls(**values)

    def to_dict(self) -> Dict[str, Any]:
        """Plain data for JSON: step and segment slots only as far as they are in use."""
        out: Dict[str, Any] = {}
        for field in self._fields():
            value = getattr(self, field)
            if field in self._LISTS:
                value = [item.to_dict() for item in list(value)[:self._in_use()]]
            out[field] = value
        return out

    @classmethod
    def from_dict(cls: Type[_R], data: Dict[str, Any]) -> _R:
        """The record of to_dict's plain data."""
        values = dict(data)
        for field, kind in cls._LISTS.items():
            if field in values:
                values[field] = [kind.from_dict(item) for item in values[field]]
        return cls(**values)

    def _in_use(self) -> int:
        return SLOTS


def _slots(items: Sequence[Any], kind: Any, where: str) -> List[bytes]:
    if len(items) > SLOTS:
        raise ValueError("%s: at most %d slots, not %d" % (where, SLOTS, len(items)))
    for item in items:
        if not isinstance(item, kind):
            raise TypeError("%s: %s expected, not %s" % (where, kind.__name__,
                                                         type(item).__name__))
    blank = bytes(kind.SIZE)  # slots beyond the list carry nothing
    return [item.to_bytes() for item in items] + [blank] * (SLOTS - len(items))


@dataclasses.dataclass
class UserRecord(_Record):
    """A user, 57 bytes. GetUser fills `name` from 13 bytes; InsertUser sends all 26."""

    name: str = ""
    extraText: str = ""
    word0: int = 0
    word1: int = 0
    word2: int = 0
    word3: int = 0
    word4: int = 0
    byte0: int = 0
    byte1: int = 0
    byte2: int = 0
    byte3: int = 0
    word5: int = 0
    byte4: int = 0

    _FORMAT = struct.Struct("<26s13sx5H4BHB")
    _TEXTS = {"name": 26, "extraText": 13}
    SIZE = 57


@dataclasses.dataclass
class HeadStatus(_Record):
    """The head status record of GetHeadStatus, 26 bytes."""

    value0: int = 0
    value1: int = 0
    value2: int = 0
    byte0: int = 0
    byte1: int = 0
    byte2: int = 0
    byte3: int = 0
    word0: int = 0
    word1: int = 0
    word2: int = 0
    word3: int = 0
    word4: int = 0

    _FORMAT = struct.Struct("<3I4B5H")
    SIZE = 26


@dataclasses.dataclass
class HeadStatus2(_Record):
    """The head status record of GetHeadStatus2, 32 bytes (offset 15 unused)."""

    value0: int = 0
    value1: int = 0
    value2: int = 0
    byte0: int = 0
    byte1: int = 0
    byte2: int = 0
    word0: int = 0
    word1: int = 0
    word2: int = 0
    word3: int = 0
    word4: int = 0
    word5: int = 0
    word6: int = 0
    word7: int = 0

    _FORMAT = struct.Struct("<3I3Bx8H")
    SIZE = 32


@dataclasses.dataclass
class ProtocolSegment(_Record):
    """One segment of the first form, 14 bytes.

    `a` bit 7 set: a, b, c and d absent; `g` bit 15 set: g absent (reads back
    as 0x8028); `e` below 8191, or 0xFFFF for none; `f` 0 to 4095; `h` 0 is not sent.
    """

    a: int = 0x81
    b: int = 1
    c: int = 0
    d: int = 0
    e: int = 0
    f: int = 0
    g: int = 0x8028
    h: int = 0

    _FORMAT = struct.Struct("<2B5HBx")
    SIZE = 14


@dataclasses.dataclass
class ProtocolStep(_Record):
    """One step of the first form, 130 bytes: the low 4 bits of `segmentInfo` count
    the segments in use, its upper 4 bits travel unchanged."""

    stepValue: int = 0
    segmentInfo: int = 0
    stepByte: int = 0
    segments: List[ProtocolSegment] = dataclasses.field(default_factory=list)

    _FORMAT = struct.Struct("<3Bx%ds" % (SLOTS * ProtocolSegment.SIZE))
    _LISTS = {"segments": ProtocolSegment}
    SIZE = 130

    def _in_use(self) -> int:
        return min(self.segmentInfo & 0x0F, SLOTS)


@dataclasses.dataclass
class ProtocolRecord(_Record):
    """A thermal protocol in the first form, 1200 bytes: a name of up to 25
    characters and `stepCount` steps (0 to 9) in up to nine slots."""

    name: str = ""
    stepCount: int = 0
    steps: List[ProtocolStep] = dataclasses.field(default_factory=list)

    _FORMAT = struct.Struct("<26sBx%ds2x" % (SLOTS * ProtocolStep.SIZE))
    _TEXTS = {"name": 25}
    _LISTS = {"steps": ProtocolStep}
    SIZE = 1200

    def _in_use(self) -> int:
        return min(self.stepCount, SLOTS)


@dataclasses.dataclass
class ProtocolSegment2(_Record):
    """One segment of the second form, 16 bytes; `e` above 8191 is sent as 8191."""

    a: int = 0
    b: int = 0
    c: int = 0
    d: int = 0
    e: int = 0
    f: int = 0
    g: int = 0
    h: int = 0

    _FORMAT = struct.Struct("<7HBx")
    SIZE = 16


@dataclasses.dataclass
class ProtocolStep2(_Record):
    """One step of the second form, 148 bytes, with `segmentCount` segments (0 to 9)."""

    stepValue: int = 0
    segmentCount: int = 0
    stepByte: int = 0
    segments: List[ProtocolSegment2] = dataclasses.field(default_factory=list)

    _FORMAT = struct.Struct("<H2B%ds" % (SLOTS * ProtocolSegment2.SIZE))
    _LISTS = {"segments": ProtocolSegment2}
    SIZE = 148

    def _in_use(self) -> int:
        return min(self.segmentCount, SLOTS)


@dataclasses.dataclass
class ProtocolRecord2(_Record):
    """A thermal protocol in the second form, 1361 bytes, with a tail byte after the steps."""

    name: str = ""
    stepCount: int = 0
    steps: List[ProtocolStep2] = dataclasses.field(default_factory=list)
    tailByte: int = 0

    _FORMAT = struct.Struct("<26sBx%dsB" % (SLOTS * ProtocolStep2.SIZE))
    _TEXTS = {"name": 25}
    _LISTS = {"steps": ProtocolStep2}
    SIZE = 1361

    def _in_use(self) -> int:
        return min(self.stepCount, SLOTS)


__all__ = ["FOLDER_NAME_SIZE", "HeadStatus", "HeadStatus2", "ProtocolRecord", "ProtocolRecord2",
           "ProtocolSegment", "ProtocolSegment2", "ProtocolStep", "ProtocolStep2", "SLOTS",
           "UserRecord"]
