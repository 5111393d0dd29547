"""The built module is imported from PYTHONPATH; the programs come from the
environment CTest sets: TBCALC_BINARY and TBRETRIEVE_BINARY."""
import os
import subprocess

import pytest


def _program(variable):
    path = os.environ.get(variable)
    if not path:
        pytest.fail(f"{variable} is not set: run these tests through CTest")
    return path


@pytest.fixture(scope="session")
def run_tbcalc():
    path = _program("TBCALC_BINARY")

    def run(replies):
        done = subprocess.run([path], input=replies.encode(), capture_output=True, check=True)
        return done.stdout.decode()

    return run


@pytest.fixture(scope="session")
def run_tbretrieve():
    path = _program("TBRETRIEVE_BINARY")

    def run(records, *args):
        done = subprocess.run([path, *args], input=records.encode(), capture_output=True, check=True)
        return done.stdout.decode()

    return run
