"""The caller records against their byte layouts, written out as literal bytes."""
import pytest

from quillsan import (HeadStatus, HeadStatus2, ProtocolRecord, ProtocolRecord2, ProtocolSegment,
                      ProtocolSegment2, ProtocolStep, ProtocolStep2, UserRecord)


def layout(size, **at):
    """`size` zero bytes with the given hex texts at offsets at_<offset>."""
    data = bytearray(size)
    for key, text in at.items():
        chunk = bytes.fromhex(text)
        offset = int(key[3:])
        data[offset:offset + len(chunk)] = chunk
    return bytes(data)


LAYOUTS = [
    pytest.param(
        UserRecord(name="AB", extraText="XY", word0=0x0102, word1=0x0304, word2=0x0506,
                   word3=0x0708, word4=0x090A, byte0=0x0B, byte1=0x0C, byte2=0x0D, byte3=0x0E,
                   word5=0x0F10, byte4=0x11),
        layout(57, at_0="4142", at_26="5859", at_40="0201 0403 0605 0807 0a09 0b0c0d0e 100f 11"),
        id="UserRecord"),
    pytest.param(
        UserRecord(name="ABCDEFGHIJKLMNOPQRSTUVWXYZ", extraText="0123456789abc"),
        layout(57, at_0="4142434445464748494a4b4c4d4e4f505152535455565758595a",
               at_26="30313233343536373839616263"),
        id="UserRecord full texts"),
    pytest.param(
        HeadStatus(value0=0x01020304, value1=5, value2=0x0A0B0C0D, byte0=0x11, byte1=0x12,
                   byte2=0x13, byte3=0x14, word0=0x2122, word1=0x2324, word2=0x2526,
                   word3=0x2728, word4=0x2930),
        layout(26, at_0="04030201 05000000 0d0c0b0a 11121314 2221 2423 2625 2827 3029"),
        id="HeadStatus"),
    pytest.param(
        HeadStatus2(value0=1, value1=2, value2=3, byte0=4, byte1=5, byte2=6, word0=0x0107,
                    word1=0x0208, word2=0x0309, word3=0x040A, word4=0x050B, word5=0x060C,
                    word6=0x070D, word7=0x080E),
        layout(32, at_0="01000000 02000000 03000000 040506",
               at_16="0701 0802 0903 0a04 0b05 0c06 0d07 0e08"),
        id="HeadStatus2"),
    pytest.param(
        ProtocolRecord(name="AB", stepCount=1, steps=[ProtocolStep(
            stepValue=3, segmentInfo=0x21, stepByte=7, segments=[ProtocolSegment(
                a=2, b=5, c=0xFFF6, d=5, e=0xFFFF, f=600, g=0x0014, h=1)])]),
        layout(1200, at_0="4142", at_26="01", at_28="032107",
               at_32="0205 f6ff 0500 ffff 5802 1400 01"),
        id="ProtocolRecord"),
    pytest.param(
        ProtocolRecord(stepCount=2, steps=[ProtocolStep(), ProtocolStep(
            stepValue=9, segmentInfo=2, segments=[ProtocolSegment(), ProtocolSegment(f=0xABC)])]),
        layout(1200, at_26="02", at_158="0902", at_162="8101 0000 0000 0000 0000 2880",
               at_176="8101 0000 0000 0000 bc0a 2880"),
        id="ProtocolRecord second step slot"),
    pytest.param(
        ProtocolRecord2(name="AB", stepCount=1, tailByte=9, steps=[ProtocolStep2(
            stepValue=0x0203, segmentCount=1, stepByte=4, segments=[ProtocolSegment2(
                a=1, b=2, c=3, d=4, e=5, f=6, g=7, h=8)])]),
        layout(1361, at_0="4142", at_26="01", at_28="0302 01 04",
               at_32="0100 0200 0300 0400 0500 0600 0700 08", at_1360="09"),
        id="ProtocolRecord2"),
    pytest.param(
        ProtocolRecord2(stepCount=2, steps=[ProtocolStep2(), ProtocolStep2(
            segmentCount=2, segments=[ProtocolSegment2(), ProtocolSegment2(h=0x33)])]),
        layout(1361, at_26="02", at_178="02", at_210="33"),
        id="ProtocolRecord2 second step slot"),
]


@pytest.mark.parametrize("record, data", LAYOUTS)
def test_record_converts_to_and_from_its_layout(record, data):
    assert record.to_bytes() == data
    assert type(record).from_bytes(data) == record


@pytest.mark.parametrize("make, problem", [
    (lambda: UserRecord(name="A" * 27).to_bytes(), "at most 26 bytes"),
    (lambda: UserRecord(extraText="A" * 14).to_bytes(), "at most 13 bytes"),
    (lambda: ProtocolRecord(name="A" * 26).to_bytes(), "at most 25 bytes"),
    (lambda: ProtocolRecord2(name="A\0B").to_bytes(), "zero byte"),
    (lambda: UserRecord(name="\u2713").to_bytes(), "code page"),
    (lambda: HeadStatus(byte0=256).to_bytes(), "HeadStatus"),
    (lambda: ProtocolSegment(c=-1).to_bytes(), "ProtocolSegment"),
    (lambda: ProtocolRecord(steps=[ProtocolStep()] * 10).to_bytes(), "at most 9 slots"),
    (lambda: ProtocolStep2(segments=[ProtocolSegment()]).to_bytes(), "ProtocolSegment2 expected"),
    (lambda: HeadStatus.from_bytes(bytes(25)), "25 bytes, not 26"),
])
def test_a_record_that_does_not_fit_its_layout_is_refused(make, problem):
    with pytest.raises((ValueError, TypeError), match=problem):
        make()


def test_texts_are_the_instruments_8_bit_bytes():
    record = UserRecord(name="25\u00b0C \u20ac", extraText="\x81")
    assert record.to_bytes()[:7] == b"25\xb0C \x80\0"
    assert record.to_bytes()[26:28] == b"\x81\0"
    assert UserRecord.from_bytes(layout(57, at_0="4142004344")).name == "AB"


def test_only_the_slots_in_use_are_read_and_put_in_plain_data():
    data = layout(1200, at_26="01", at_28="0302", at_158="09")  # junk in step slot 1
    record = ProtocolRecord.from_bytes(data)
    assert len(record.steps) == 1 and len(record.steps[0].segments) == 2
    plain = record.to_dict()
    assert len(plain["steps"]) == 1
    assert ProtocolRecord.from_dict(plain) == record
