"""The real services binary on a data directory of its own, linked to a server on loopback.

Shared by the end-to-end suite and the load benchmark (bench/load/), which must not need
anything beyond the standard library: this module imports no IRC client code.
"""
import os
import shutil
import subprocess
from pathlib import Path

from processes import read_text, stop_process, wait_until

SOURCE_DIR = Path(os.environ.get("NB_SOURCE_DIR") or Path(__file__).resolve().parents[2])
SERVER_NAME = "services.localhost"  # the services' own server
START_TIMEOUT = 15.0
LINKED = "has successfully connected"  # the services print it for every connection to the server


def binary_path():
    path = os.environ.get("NB_BINARY")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("NB_BINARY must name the built nimbral2 binary (it is %r)" % path)
    return path


class ServicesProgram:
    """The nimbral2 binary on its own data directory; its terminal output goes to a file.
    `general` adds keys to the [General] section of the settings."""

    def __init__(self, directory, port, protocol, password, reconnect_delay, general=None):
        self.data_dir = Path(directory) / "data"
        self.output_file = Path(directory) / "services.out"
        self.process = None
        self.data_dir.mkdir(parents=True)
        shutil.copytree(SOURCE_DIR / "help", self.data_dir / "help")
        extra = "".join("%s=%s\n" % item for item in (general or {}).items())
        (self.data_dir / "settings.ini").write_text(
            "[Server Information]\n"
            "IP/Host=127.0.0.1\n"
            "Port=%d\n"
            "Password=%s\n"
            "Server Name=%s\n"
            "Protocol=%s\n"
            "[Global]\n"
            "FirstTime=1\n"
            "[General]\n"
            "Reconnect Delay=%d\n" % (port, password, SERVER_NAME, protocol, reconnect_delay) + extra)

    def start(self):
        with open(self.output_file, "ab") as output:
            self.process = subprocess.Popen([binary_path(), "--data-dir", str(self.data_dir)],
                                            stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)

    def stop(self):
        return stop_process(self.process)

    def is_running(self):
        return self.process is not None and self.process.poll() is None

    def output(self):
        return read_text(self.output_file)

    def read(self, relative):
        return read_text(self.data_dir / relative)

    def wait_for_output(self, text, count=1, timeout=START_TIMEOUT):
        """Waits until `text` has appeared `count` times in the terminal output."""
        wait_until(lambda: self.output().count(text) >= count or not self.is_running(), timeout,
                   "%r x%d in the services' output" % (text, count), self.output)
        if self.output().count(text) < count:
            raise AssertionError("the services stopped before printing %r:\n%s" % (text, self.output()))
