"""The built program and generator the module is compared with, and the
example data. MANTLEPT_BIN and MANTLEPT_GENERATE name them (default: build/)."""
import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]


def _tool(variable, default):
    path = Path(os.environ.get(variable, ROOT / default))
    if not path.exists():
        pytest.exit(f"{path} is missing: build the program first (make build) or set {variable}", 2)
    return path


@pytest.fixture(scope="session")
def program():
    return _tool("MANTLEPT_BIN", "build/mantlept")


@pytest.fixture(scope="session")
def example_table():
    return ROOT / "examples" / "xenoliths.csv"


@pytest.fixture(scope="session")
def generated_table(tmp_path_factory):
    """A wide CSV of 300 synthetic samples, as the benchmarks use."""
    generator = _tool("MANTLEPT_GENERATE", "build/bench/mantlept_generate")
    path = tmp_path_factory.mktemp("generated") / "generated.csv"
    with open(path, "wb") as out:
        subprocess.run([str(generator), "3", "300", "--csv"], stdout=out, check=True)
    return path


@pytest.fixture
def cli(program):
    """Runs the program; returns its standard output (fails on a non-zero status)."""

    def run(*args):
        done = subprocess.run([str(program), *map(str, args)], capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        return done.stdout

    return run
