"""Starting, waiting for and stopping the programs of a test on loopback."""
import signal
import socket
import subprocess
import time
from pathlib import Path


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until(condition, timeout, what, describe=lambda: ""):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() >= deadline:
            raise AssertionError("gave up after %.0f s waiting for %s\n%s" % (timeout, what, describe()))
        time.sleep(0.05)


def wait_listening(process, port, timeout):
    """True once something accepts connections on the port; False when the process ends first
    or the time runs out."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def stop_process(process, grace=10.0, stop_signal=signal.SIGTERM):
    """Sends the signal, then SIGKILL after the grace time; returns the exit status (None when
    it had to be killed or never ran)."""
    if process is None or process.poll() is not None:
        return None if process is None else process.returncode
    process.send_signal(stop_signal)
    try:
        return process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def read_text(path):
    path = Path(path)
    return path.read_text(errors="replace") if path.exists() else ""


def tail(path, lines=15):
    return "\n".join(read_text(path).splitlines()[-lines:]) or "(nothing in %s)" % path
