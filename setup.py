"""Builds the module with the project's CMake (target mantlept_python), so
that the module and the program are compiled from one list of sources."""
import os
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
# CMake's build of the module; setuptools' own files beneath it, away from build/.
BUILD = Path(os.environ.get("MANTLEPT_PY_BUILD", ROOT / "build-python"))
BUILD.mkdir(parents=True, exist_ok=True)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        import pybind11

        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        build = BUILD
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DMANTLEPT_TESTS=OFF",
            "-DMANTLEPT_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
            f"-Dpybind11_DIR={pybind11.get_cmake_dir()}",
        ]
        launcher = os.environ.get("CMAKE_CXX_COMPILER_LAUNCHER")
        if launcher:
            configure.append(f"-DCMAKE_CXX_COMPILER_LAUNCHER={launcher}")
        jobs = os.environ.get("JOBS", str(os.cpu_count() or 2))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "-j", jobs, "--target", "mantlept_python"],
                       check=True)
        built = next((build / "python").glob("mantlept*.so"))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(
    ext_modules=[Extension("mantlept", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(BUILD / "setuptools")},
             "egg_info": {"egg_base": str(BUILD)}},
)
