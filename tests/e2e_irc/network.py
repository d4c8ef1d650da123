"""A private IRC network for one test: a real IRC server on free loopback ports (ngIRCd, or
InspIRCd when NB_IRC_SERVER=inspircd), the real services binary linked to it, and IRC clients on
plain sockets, all torn down even when a test fails. The binary comes from NB_BINARY, the source
tree from NB_SOURCE_DIR. The load benchmark (bench/load/) uses the servers and the program from
here too."""
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("NB_SOURCE_DIR") or Path(__file__).resolve().parents[2])
SERVER_NAME = "services.localhost"  # the services' own server
LINKED = "has successfully connected"  # the services print it for every link to the server
LINK_PASSWORD = "link-secret"
OPERATOR = ("watcher", "oper-secret")
START_TIMEOUT = 15.0
TIMEOUT = 10.0


def wire(text):
    """Reply texts are written with ^B where the bold byte goes on the wire."""
    return text.replace("^B", "\x02")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until(condition, timeout, what, describe=lambda: ""):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() >= deadline:
            raise AssertionError("gave up after %.0f s waiting for %s\n%s" % (timeout, what, describe()))
        time.sleep(0.05)


def stop_process(process, grace=10.0):
    """SIGTERM, then SIGKILL after the grace time; the exit status (None when killed or never run)."""
    if process is None or process.poll() is not None:
        return None if process is None else process.returncode
    process.send_signal(signal.SIGTERM)
    try:
        return process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def tail(path, lines=15):
    text = Path(path).read_text(errors="replace") if Path(path).exists() else ""
    return "\n".join(text.splitlines()[-lines:]) or "(nothing in %s)" % path


class IrcServer:
    """A private IRC server in the foreground: clients connect to `port`, the services to
    `link_port`. Subclasses name the program and write its configuration."""
    name = protocol = None  # shown in failures; the services' Protocol= for this server
    config_name = log_name = None

    def __init__(self, directory, source_dir, link_password, services_name, operator):
        self.source_dir, self.link_password, self.services_name, self.operator = (Path(source_dir), link_password,
                                                                                    services_name, operator)
        self.config, self.log_file = Path(directory) / self.config_name, Path(directory) / self.log_name
        self.port = self.link_port = self.process = None

    def start(self):
        # A port found free can be taken before the server binds it; then another one is tried.
        for _ in range(3):
            self.port = free_port()
            self.link_port = self._link_port()
            self._write_config()
            with open(self.log_file, "ab") as log:
                self.process = subprocess.Popen(self._command(), stdin=subprocess.DEVNULL, stdout=log,
                                                stderr=subprocess.STDOUT)
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline and self.process.poll() is None:
                try:
                    for port in {self.port, self.link_port}:
                        socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    return
                except OSError:
                    time.sleep(0.05)
            stop_process(self.process, 2)
        raise AssertionError("%s did not start:\n%s" % (self.name, tail(self.log_file)))

    def stop(self):
        return stop_process(self.process, 5)


class NgircdServer(IrcServer):
    """ngIRCd, configured by scripts/ngircd-config.sh; the services link on the clients' port."""
    name, protocol, config_name, log_name = "ngIRCd", "ngircd", "ngircd.conf", "ngircd.log"

    def _link_port(self):
        return self.port

    def _command(self):
        return [shutil.which("ngircd") or "/usr/sbin/ngircd", "-n", "-f", str(self.config)]

    def _write_config(self):
        subprocess.run(["bash", str(self.source_dir / "scripts" / "ngircd-config.sh"), str(self.config), str(self.port),
                        self.link_password, self.services_name], check=True,
                       env=dict(os.environ, NGIRCD_OPERATOR="%s:%s" % self.operator))


class InspircdServer(IrcServer):
    """Debian's InspIRCd 3, configured by scripts/inspircd-config.sh; the services link on a
    servers' port of their own."""
    name, protocol, config_name, log_name = "InspIRCd", "inspircd", "inspircd.conf", "inspircd.log"

    def _link_port(self):
        return free_port()

    def _command(self):
        # InspIRCd refuses to run as root unless told that it is meant.
        root = ["--runasroot"] if os.geteuid() == 0 else []
        return [shutil.which("inspircd") or "/usr/sbin/inspircd", "--nofork", "--config=%s" % self.config] + root

    def _write_config(self):
        subprocess.run(["bash", str(self.source_dir / "scripts" / "inspircd-config.sh"), str(self.config),
                        str(self.port), str(self.link_port), self.link_password, self.services_name], check=True,
                       env=dict(os.environ, INSPIRCD_OPERATOR="%s:%s" % self.operator))


class ServicesProgram:
    """The nimbral2 binary on its own data directory; its terminal output goes to a file.
    `general` adds keys to [General]; an installed `binary` brings its own help texts."""

    def __init__(self, directory, port, protocol, password, reconnect_delay, general=None, binary=None):
        self.data_dir, self.output_file = Path(directory) / "data", Path(directory) / "services.out"
        self.process, self.binary = None, binary or os.environ.get("NB_BINARY")
        if binary:
            self.data_dir.mkdir(parents=True)
        else:
            shutil.copytree(SOURCE_DIR / "help", self.data_dir / "help")
        (self.data_dir / "settings.ini").write_text(
            "[Server Information]\nIP/Host=127.0.0.1\nPort=%d\nPassword=%s\nServer Name=%s\nProtocol=%s\n[Global]\n"
            "FirstTime=1\n[General]\nReconnect Delay=%d\n" % (port, password, SERVER_NAME, protocol, reconnect_delay)
            + "".join("%s=%s\n" % item for item in (general or {}).items()))

    def start(self):
        binary = self.binary
        if not binary or not os.access(binary, os.X_OK):
            raise RuntimeError("NB_BINARY must name the built nimbral2 binary (it is %r)" % binary)
        with open(self.output_file, "ab") as output:
            self.process = subprocess.Popen([binary, "--data-dir", str(self.data_dir)], stdin=subprocess.DEVNULL,
                                            stdout=output, stderr=subprocess.STDOUT)

    def stop(self):
        return stop_process(self.process)

    def is_running(self):
        return self.process is not None and self.process.poll() is None

    def output(self):
        return self.output_file.read_text(errors="replace") if self.output_file.exists() else ""

    def wait_for_output(self, text, count=1, timeout=START_TIMEOUT):
        wait_until(lambda: self.output().count(text) >= count or not self.is_running(), timeout,
                   "%r x%d in the services' output" % (text, count), self.output)
        if self.output().count(text) < count:
            raise AssertionError("the services stopped before printing %r:\n%s" % (text, self.output()))


class Client:
    """An IRC client that keeps every line it receives and answers the server's PINGs, so that a
    test waits for the line it expects instead of sleeping."""

    def __init__(self, port, nick, username=None, describe=lambda: ""):
        self.nick, self.describe, self.lines, self.buffer = nick, describe, [], b""
        self.socket = socket.create_connection(("127.0.0.1", port), TIMEOUT)
        self.send("NICK " + nick, "USER %s 0 * :Test %s" % (username or nick.lower(), nick))
        self.wait_for(r"^\S+ 001 ", "the welcome")

    def send(self, *lines):
        self.socket.sendall("".join(line + "\r\n" for line in lines).encode())

    def wait_for(self, pattern, what, since=0, timeout=TIMEOUT):
        """The first line from `since` on that matches the pattern (None: the server closing the
        connection), reading until it came."""
        deadline = time.monotonic() + timeout
        while True:
            found = [line for line in self.lines[since:] if pattern and re.search(pattern, line)]
            if found:
                return found[0]
            since = len(self.lines)
            try:
                self.socket.settimeout(max(0.01, deadline - time.monotonic()))
                data = self.socket.recv(65536)
            except OSError:
                data = None
            if data is None or (not data and pattern):
                raise AssertionError("%s waited in vain for %s; last lines:\n  %s\n%s" % (
                    self.nick, what, "\n  ".join(self.lines[-30:]), self.describe()))
            if not data:
                return None  # the server closed the connection, as awaited
            *complete, self.buffer = (self.buffer + data).split(b"\n")
            for line in (raw.rstrip(b"\r").decode(errors="replace") for raw in complete):
                if line.startswith("PING "):
                    self.send("PONG " + line[5:])
                self.lines.append(line)

    def texts(self, sender, since=0):
        """What `sender` said to this client (or a channel) from line `since` on."""
        said = (re.match(r"^:%s!\S* (?:NOTICE|PRIVMSG) \S+ :(.*)$" % sender, line) for line in self.lines[since:])
        return [match.group(1) for match in said if match]

    def ask(self, service, text):
        """Sends the text to the service and returns the texts of its answers. A command without its
        word, answered by one syntax line, marks their end: the services answer in order."""
        start = len(self.lines)
        marker = {"MemoServ": "read", "OperServ": "login"}.get(service, "info")
        self.send("PRIVMSG %s :%s" % (service, text), "PRIVMSG %s :%s" % (service, marker))
        self.wait_for(r"^:%s!\S* \S+ \S+ :(Syntax Error|\x02Error\x02: /msg)" % service, "the answers to %r" % text, start)
        answers = self.texts(service, start)
        return answers[:next(i for i, answer in enumerate(answers)
                             if answer.startswith("Syntax Error") or answer.startswith("\x02Error\x02: /msg"))]

    def join(self, channel):
        start = len(self.lines)
        self.send("JOIN " + channel)
        self.wait_for(r"^\S+ 366 ", "the join of " + channel, start)

    def leave(self):
        """Quits and waits until the server has closed the connection."""
        self.send("QUIT :bye")
        self.wait_for(None, "the server closing the connection")


class Network:
    """The IRC server, the services linked to it, and the test's clients; made by start_network."""

    def __init__(self, binary=None):
        self.directory = Path(tempfile.mkdtemp(prefix="nb-e2e-"))
        server = {"ngircd": NgircdServer, "inspircd": InspircdServer}[os.environ.get("NB_IRC_SERVER") or "ngircd"]
        self.ircd = server(self.directory, SOURCE_DIR, LINK_PASSWORD, SERVER_NAME, OPERATOR)
        self.services, self.clients, self.binary = None, [], binary

    def start(self):
        self.ircd.start()
        self.services = ServicesProgram(self.directory, self.ircd.link_port, self.ircd.protocol, LINK_PASSWORD, 1,
                                        binary=self.binary)
        self.services.start()
        self.wait_for_services()

    def wait_for_services(self, links=1):
        """Returns once the services have linked `links` times and MemoServ, introduced last, answers."""
        self.services.wait_for_output(LINKED, links)
        probe = self.connect("nbprobe")
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            start = len(probe.lines)
            probe.send("PRIVMSG MemoServ :read")
            if " 401 " not in probe.wait_for(r"^:MemoServ!| 401 ", "an answer from MemoServ", start):
                break
            if time.monotonic() >= deadline:
                raise AssertionError("MemoServ is not on the network\n" + self.describe())
            time.sleep(0.5)  # each command counts against the server's flood limit
        probe.leave()  # gone before the test's own users arrive

    def connect(self, nick, username=None):
        self.clients.append(Client(self.ircd.port, nick, username, self.describe))
        return self.clients[-1]

    def connect_registered(self, nick):
        """A client that registered its nick with NickServ (password pw-<nick>) and identified."""
        client = self.connect(nick)
        assert client.ask("NickServ", "register pw-" + nick)[:1] == [wire("You successfully registered ^B%s^B!" % nick)]
        assert client.ask("NickServ", "identify pw-" + nick) == [wire("Hello ^B%s^B.  You have successfully identified." % nick)]
        return client

    def restart_services(self, before_start=lambda: None):
        """Stops the services (SIGTERM), runs `before_start`, starts them on the same data and waits
        for the new link; the exit status of the stop."""
        links = self.services.output().count(LINKED)
        status = self.services.stop()
        before_start()
        self.services.start()
        self.wait_for_services(links + 1)
        return status

    def describe(self):
        return "--- services output:\n%s\n--- IRC server log:\n%s" % (
            tail(self.services.output_file) if self.services else "", tail(self.ircd.log_file))

    def close(self):
        for client in self.clients:
            client.socket.close()
        if self.services:
            self.services.stop()
        self.ircd.stop()
        shutil.rmtree(self.directory, ignore_errors=True)


def start_network(testcase, binary=None):
    """A started network that the test case tears down when it ends, passed or not."""
    network = Network(binary)
    testcase.addCleanup(network.close)
    network.start()
    return network
