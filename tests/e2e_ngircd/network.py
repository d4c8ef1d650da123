"""A private IRC network for one test: a real ngIRCd on a free loopback port and the real
services binary linked to it, each in a temporary directory, torn down even when a test fails.

The binary comes from NB_BINARY, the source tree (for the config generator and the help
texts) from NB_SOURCE_DIR.
"""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path

from client import Clients

SOURCE_DIR = Path(os.environ.get("NB_SOURCE_DIR") or Path(__file__).resolve().parents[2])
# Debian installs the server under /usr/sbin, which a plain user's PATH may lack.
NGIRCD = shutil.which("ngircd") or "/usr/sbin/ngircd"
LINK_PASSWORD = "link-secret"
SERVER_NAME = "services.localhost"
OPERATOR = ("watcher", "oper-secret")
SERVICE_NICKS = ("ChanServ", "NickServ", "OperServ", "MemoServ")
LOG_CHANNELS = ("#nb.botinfo", "#NBII", "#nb.netinfo")
PROBE_NICK = "nbprobe"  # the harness's own client that checks that the services are up
START_TIMEOUT = 15.0
LINKED = "has successfully connected"  # the services print it for every connection to the server


def binary_path():
    path = os.environ.get("NB_BINARY")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("NB_BINARY must name the built nimbral2 binary (it is %r)" % path)
    return path


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


def stop_process(process, grace=10.0):
    """SIGTERM, then SIGKILL after the grace time; returns the exit status."""
    if process is None or process.poll() is not None:
        return None if process is None else process.returncode
    process.send_signal(signal.SIGTERM)
    try:
        return process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def tail(path, lines=25):
    try:
        text = Path(path).read_text(errors="replace")
    except OSError:
        return "(no %s)" % path
    return "\n".join(text.splitlines()[-lines:])


class IrcServer:
    """ngIRCd in the foreground with a generated configuration."""

    def __init__(self, directory, ping_timeout=None, pong_timeout=None):
        self.directory = Path(directory)
        self.config = self.directory / "ngircd.conf"
        self.log_file = self.directory / "ngircd.log"
        self.ping_timeout = ping_timeout
        self.pong_timeout = pong_timeout
        self.port = None
        self.process = None

    def start(self):
        # A port found free can be taken before ngIRCd binds it; then another one is tried.
        for _ in range(3):
            self.port = free_port()
            self._write_config()
            if self._run():
                return
        raise AssertionError("ngIRCd did not start:\n" + tail(self.log_file))

    def restart(self):
        """Stops ngIRCd and starts it again on the same port."""
        self.stop()
        if not self._run():
            raise AssertionError("ngIRCd did not start again:\n" + tail(self.log_file))

    def _run(self):
        with open(self.log_file, "ab") as log:
            self.process = subprocess.Popen([NGIRCD, "-n", "-f", str(self.config)],
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        if self._wait_listening():
            return True
        stop_process(self.process, 2)
        return False

    def _write_config(self):
        arguments = [str(SOURCE_DIR / "scripts" / "ngircd-config.sh"), str(self.config), str(self.port),
                     LINK_PASSWORD, SERVER_NAME]
        if self.ping_timeout is not None:
            arguments.append(str(self.ping_timeout))
        environment = dict(os.environ, NGIRCD_OPERATOR="%s:%s" % OPERATOR)
        if self.pong_timeout is not None:
            environment["NGIRCD_PONG_TIMEOUT"] = str(self.pong_timeout)
        subprocess.run(["bash"] + arguments, check=True, env=environment)

    def _wait_listening(self):
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                return False
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return True
            except OSError:
                time.sleep(0.05)
        return False

    def log(self):
        return self.log_file.read_text(errors="replace") if self.log_file.exists() else ""

    def stop(self):
        return stop_process(self.process, 5)


class ServicesProgram:
    """The nimbral2 binary on its own data directory; its terminal output goes to a file."""

    def __init__(self, directory, port, password=LINK_PASSWORD, reconnect_delay=1):
        self.data_dir = Path(directory) / "data"
        self.output_file = Path(directory) / "services.out"
        self.process = None
        self.data_dir.mkdir(parents=True)
        shutil.copytree(SOURCE_DIR / "help", self.data_dir / "help")
        (self.data_dir / "settings.ini").write_text(
            "[Server Information]\n"
            "IP/Host=127.0.0.1\n"
            "Port=%d\n"
            "Password=%s\n"
            "Server Name=%s\n"
            "Protocol=ngircd\n"
            "[Global]\n"
            "FirstTime=1\n"
            "[General]\n"
            "Reconnect Delay=%d\n" % (port, password, SERVER_NAME, reconnect_delay))

    def start(self):
        with open(self.output_file, "ab") as output:
            self.process = subprocess.Popen([binary_path(), "--data-dir", str(self.data_dir)],
                                            stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)

    def stop(self):
        return stop_process(self.process)

    def is_running(self):
        return self.process is not None and self.process.poll() is None

    def output(self):
        return self.output_file.read_text(errors="replace") if self.output_file.exists() else ""

    def read(self, relative):
        return (self.data_dir / relative).read_text(errors="replace")

    def wait_for_output(self, text, count=1, timeout=START_TIMEOUT):
        """Waits until `text` has appeared `count` times in the terminal output."""
        wait_until(lambda: self.output().count(text) >= count or not self.is_running(), timeout,
                   "%r x%d in the services' output" % (text, count), lambda: self.output())
        if self.output().count(text) < count:
            raise AssertionError("the services stopped before printing %r:\n%s" % (text, self.output()))


class Network:
    """ngIRCd, the services linked to it, and the test's IRC clients."""

    def __init__(self, ping_timeout=None, pong_timeout=None, services_password=LINK_PASSWORD,
                 reconnect_delay=1):
        self.directory = Path(tempfile.mkdtemp(prefix="nb-e2e-"))
        self.ircd = IrcServer(self.directory, ping_timeout, pong_timeout)
        self.services_password = services_password
        self.reconnect_delay = reconnect_delay
        self.services = None
        self.clients = None

    def start(self, wait_for_link=True):
        self.ircd.start()
        self.services = ServicesProgram(self.directory, self.ircd.port, self.services_password,
                                        self.reconnect_delay)
        self.clients = Clients(self.ircd.port, self.describe)
        self.services.start()
        if wait_for_link:
            self.wait_for_services()
        return self

    def wait_for_services(self, timeout=START_TIMEOUT):
        """Returns once a WHOIS finds MemoServ, the service introduced last: then the server
        has taken in every introduction. (ISON and USERHOST leave service clients out.)"""
        probe = self.connect(PROBE_NICK, username="probe")
        deadline = time.monotonic() + timeout
        while not any(event.type == "whoisuser" for event in probe.whois(SERVICE_NICKS[-1])):
            if time.monotonic() >= deadline or not self.services.is_running():
                raise AssertionError("the services did not appear on the network\n" + self.describe())
            self.clients.pump(0.2)
        # Gone for good before the test's own users arrive, so that the services count only those.
        probe.quit("probe done")
        probe.wait_for(lambda e: e.type == "disconnect", what="the probe leaving")

    def connect(self, nick, username=None, realname=None):
        return self.clients.connect(nick, username, realname)

    def connect_operator(self, nick):
        """A client that is an IRC operator of ngIRCd."""
        client = self.connect(nick)
        client.oper(*OPERATOR)
        return client

    def restart_services(self):
        """Stops the binary (SIGTERM) and starts it again on the same data; returns the exit
        status of the stop."""
        links = self.services.output().count(LINKED)
        status = self.services.stop()
        self.services.start()
        # The new link first, so that the WHOIS cannot find the clients of the old one.
        self.services.wait_for_output(LINKED, links + 1)
        self.wait_for_services()
        return status

    def describe(self):
        output = self.services.output() if self.services else ""
        return "--- services output (last lines):\n%s\n--- ngIRCd log (last lines):\n%s" % (
            "\n".join(output.splitlines()[-15:]), tail(self.ircd.log_file, 15))

    def close(self):
        try:
            if self.clients:
                self.clients.close()
        finally:
            if self.services:
                self.services.stop()
            self.ircd.stop()
            if os.environ.get("NB_KEEP_E2E"):
                print("kept the test network in", self.directory)
            else:
                shutil.rmtree(self.directory, ignore_errors=True)


def start_network(testcase, wait_for_link=True, **options):
    """A started network that the test case tears down when it ends, passed or not."""
    network = Network(**options)
    testcase.addCleanup(network.close)
    network.start(wait_for_link)
    return network
