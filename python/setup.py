"""Builds libquillsan-prompt.so with CMake (prompt/CMakeLists.txt) into the package.

Everything else is in pyproject.toml. On Windows there is no helper: the
library asks its reconnect question with a message box there.
"""
import os
import shutil
import subprocess
import sys
import tempfile

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
HELPER = "libquillsan-prompt.so"


class BuildWithPromptHelper(build_py):
    def run(self):
        super().run()
        if sys.platform == "win32":
            return
        # A fresh CMake build each time: no cache from another checkout or compiler.
        with tempfile.TemporaryDirectory() as build_temp:
            subprocess.check_call(["cmake", "-S", os.path.join(HERE, "prompt"), "-B", build_temp,
                                   "-DCMAKE_BUILD_TYPE=Release"])
            subprocess.check_call(["cmake", "--build", build_temp])
            target = os.path.join(self.build_lib, "quillsan")
            os.makedirs(target, exist_ok=True)
            shutil.copy2(os.path.join(build_temp, HELPER), os.path.join(target, HELPER))


class WithSharedObject(Distribution):
    """A wheel for one platform: the helper is a native shared object."""

    def has_ext_modules(self):
        return sys.platform != "win32"


setup(cmdclass={"build_py": BuildWithPromptHelper}, distclass=WithSharedObject)
