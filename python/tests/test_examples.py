"""The examples, run against the virtual flavour as a user runs them."""
import importlib.util
import json
import os

import pytest

import quillsan

from conftest import EXAMPLES, VIRTUAL_DLL, run_cli, run_python


def example(name, *arguments, cwd, **settings):
    return run_python([os.path.join(EXAMPLES, name), "--library", VIRTUAL_DLL, *arguments], cwd,
                      **settings)


@pytest.mark.parametrize("link", ["usb", "COM2:19200"])
def test_identity_prints_what_brevalin_cli_info_prints(tmp_path, link):
    done = example("identity.py", "--link", link, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert done.stdout == run_cli("--link", link, "info", cwd=tmp_path)[1]
    assert b"firmware version: 1.009\nserial number: ZT-96-004217\n" in done.stdout


def tree(folder):
    """The reports in a folder; brevalin-cli's manifest and lock are its own."""
    return {name: (folder / name).read_bytes() for name in sorted(os.listdir(folder))
            if not name.startswith(".")}


# Run names oldest first (None: the instrument's own), a file the export must write.
@pytest.mark.parametrize("kinds, names, count, written", [
    ("both", None, 24, "RUN 0006  2026-10-23 11_47  SYBR qPCR.run.txt"),
    ("run", None, 12, "RUN 0006  2026-10-23 11_47  SYBR qPCR.run.txt"),
    ("run", ["X", "x", "X #1", "", "con.txt", "unnamed", "a/b", "a_b"], 8, "x~2.run.txt"),
])
def test_export_writes_the_files_brevalin_cli_export_all_writes(tmp_path, kinds, names, count,
                                                                 written):
    ours, theirs = tmp_path / "ours", tmp_path / "theirs"
    ours.mkdir()
    theirs.mkdir()
    settings = {}
    if names is not None:
        (tmp_path / "names").write_text("".join(name + "\n" for name in names))
        settings["QUILLSAN_VIRTUAL_RUN_NAMES"] = tmp_path / "names"
    done = example("export_reports.py", str(ours), "--type", kinds, cwd=tmp_path, **settings)
    assert (done.returncode, done.stdout) == (0, b"%d written, 0 skipped, 0 failed\n" % count)
    assert run_cli("export-all", str(theirs), "--type", kinds, cwd=tmp_path, **settings)[0] == 0
    assert tree(ours) == tree(theirs)
    assert len(tree(ours)) == count and written in tree(ours)
    again = example("export_reports.py", str(ours), "--type", kinds, cwd=tmp_path, **settings)
    assert again.stdout == b"0 written, %d skipped, 0 failed\n" % count


def _backup_module():
    found = importlib.util.spec_from_file_location("protocol_backup",
                                                    os.path.join(EXAMPLES, "protocol_backup.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def test_protocol_backup_restores_both_forms(lent):
    backup = _backup_module()
    with quillsan.open("COM1", lent.library) as inst:
        saved = backup.backup(inst)
        assert [p["name"] for p in saved["protocols"]] == [
            "STANDARD PCR 35X", "SYBR QPCR 40X", "COLONY PCR 30X", "LONG RANGE PCR 32X"]
        assert saved["protocols"][1]["second"]["steps"][2] == {
            "stepValue": 1, "segmentCount": 2, "stepByte": 0, "segments": [
                {"a": 40, "b": 1, "c": 650, "d": 1050, "e": 0, "f": 5, "g": 0, "h": 0},
                {"a": 40, "b": 1, "c": 950, "d": 1050, "e": 0, "f": 5, "g": 0, "h": 0}]}
        for item in inst.protocols():
            assert inst.library.DeleteItem(item.handle) == 1
        assert inst.protocols() == []
        assert backup.restore(inst, json.loads(json.dumps(saved)), "first") == 4  # inserted
        first = backup.backup(inst)["protocols"]
        assert [p["first"] for p in first] == [p["first"] for p in saved["protocols"]]
        assert [p["second"] for p in first] == [None] * 4
        assert backup.restore(inst, saved, "second") == 4  # stored over them
        second = backup.backup(inst)["protocols"]
        assert [p["second"] for p in second] == [p["second"] for p in saved["protocols"]]
        assert [p["first"] for p in second] == [None] * 4


def test_protocol_backup_runs_from_the_command_line(tmp_path):
    done = example("protocol_backup.py", "backup", "saved.json", cwd=tmp_path)
    assert (done.returncode, done.stdout) == (0, b"4 protocols backed up\n")
    done = example("protocol_backup.py", "restore", "saved.json", "--form", "second",
                   cwd=tmp_path)
    assert (done.returncode, done.stdout) == (0, b"4 protocols restored\n")
