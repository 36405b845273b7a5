"""Shared by the Python tests: scrivane-convert run as scripts run it, and masking."""
import os
import re
import subprocess
from pathlib import Path

import pytest

CONVERT = os.environ.get("SCRIVANE_CONVERT", "")
SOURCE_DIR = Path(os.environ.get("SCRIVANE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
SAMPLE = SOURCE_DIR / "examples" / "sample.txt"


def format_cases():
    """(scrivane-convert's arguments, the same as keyword arguments) for each line of
    tests/library/format_cases.txt."""
    cases = []
    for line in (SOURCE_DIR / "tests" / "library" / "format_cases.txt").read_text().splitlines():
        if not line or line.startswith("#"):
            continue
        pairs = [option.partition("=") for option in line.split("\t")]
        arguments = [f"--{name}={value}" if equals else f"--{name}" for name, equals, value in pairs]
        options = {name.replace("-", "_"): value if equals else True for name, equals, value in pairs}
        cases.append(pytest.param(arguments, options, id=line.replace("\t", " ")))
    return cases


def masked(document):
    """The document with the date line and the selection box's form number masked
    (as Masked in tests/support/program_sandbox.h masks them for the C++ tests)."""
    if isinstance(document, str):
        document = document.encode("utf-8")
    document = re.sub(rb"Date: [^\r\n]*", b"Date: (masked)", document)
    return re.sub(rb"\b(FN|SN)[0-9]+\b", rb"\1(id)", document)


@pytest.fixture
def program(tmp_path):
    """Runs scrivane-convert with a private home; returns its standard output."""
    if not CONVERT:
        pytest.skip("SCRIVANE_CONVERT names no program")
    home = tmp_path / "home"
    home.mkdir()
    environment = dict(os.environ, HOME=str(home), XDG_CONFIG_HOME=str(home / "config"))
    environment.pop("DISPLAY", None)

    def run(*arguments, stdin=b""):
        done = subprocess.run([CONVERT, *map(str, arguments)], input=stdin, capture_output=True, env=environment,
                              check=True)
        return done.stdout

    return run
