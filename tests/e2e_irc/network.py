"""A private IRC network for one test: a real ngIRCd on a free loopback port, the real services
binary linked to it, and real IRC clients (python3-irc), all torn down even when a test fails.
The binary comes from NB_BINARY, the source tree from NB_SOURCE_DIR. The load benchmark
(bench/load/) uses the server and the program from here too, so irc is imported by the clients."""
import os
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


def text_of(event):
    return event.arguments[-1] if event.arguments else ""


def sender_of(event):
    return getattr(event.source, "nick", "")


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


class NgircdServer:
    """A private ngIRCd in the foreground, configured by scripts/ngircd-config.sh."""
    protocol = "ngircd"  # the services' Protocol= for this server

    def __init__(self, directory, source_dir, link_password, services_name, operator):
        self.source_dir, self.link_password, self.services_name, self.operator = (Path(source_dir), link_password,
                                                                                    services_name, operator)
        self.config, self.log_file = Path(directory) / "ngircd.conf", Path(directory) / "ngircd.log"
        self.port = self.process = None

    def start(self):
        # A port found free can be taken before ngIRCd binds it; then another one is tried.
        for _ in range(3):
            self.port = free_port()
            self._write_config()
            with open(self.log_file, "ab") as log:
                self.process = subprocess.Popen([shutil.which("ngircd") or "/usr/sbin/ngircd", "-n", "-f", str(self.config)],
                                                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline and self.process.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                    return
                except OSError:
                    time.sleep(0.05)
            stop_process(self.process, 2)
        raise AssertionError("ngIRCd did not start:\n" + tail(self.log_file))

    def stop(self):
        return stop_process(self.process, 5)

    def _write_config(self):
        subprocess.run(["bash", str(self.source_dir / "scripts" / "ngircd-config.sh"), str(self.config), str(self.port),
                        self.link_password, self.services_name], check=True,
                       env=dict(os.environ, NGIRCD_OPERATOR="%s:%s" % self.operator))


class ServicesProgram:
    """The nimbral2 binary on its own data directory; its terminal output goes to a file.
    `general` adds keys to the [General] section of the settings."""

    def __init__(self, directory, port, protocol, password, reconnect_delay, general=None):
        self.data_dir, self.output_file = Path(directory) / "data", Path(directory) / "services.out"
        self.process = None
        shutil.copytree(SOURCE_DIR / "help", self.data_dir / "help")
        (self.data_dir / "settings.ini").write_text(
            "[Server Information]\nIP/Host=127.0.0.1\nPort=%d\nPassword=%s\nServer Name=%s\nProtocol=%s\n[Global]\n"
            "FirstTime=1\n[General]\nReconnect Delay=%d\n" % (port, password, SERVER_NAME, protocol, reconnect_delay)
            + "".join("%s=%s\n" % item for item in (general or {}).items()))

    def start(self):
        binary = os.environ.get("NB_BINARY")
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


class Clients:
    """The real IRC clients of one test on one reactor: waiting on one keeps all of them answering PINGs."""

    def __init__(self, port, describe):
        import irc.client
        self.port, self.describe, self.by_connection = port, describe, {}
        self.reactor = (getattr(irc.client, "Reactor", None) or irc.client.IRC)()
        self.reactor.add_global_handler("all_events", self._record, -100)

    def _record(self, connection, event):
        client = self.by_connection.get(id(connection))
        if client is not None and event.type != "all_raw_messages":
            client.events.append(event)
            if event.type == "disconnect":
                client.disconnect()

    def connect(self, nick, username=None):
        return Client(self, nick, username)

    def close(self):
        for client in list(self.by_connection.values()):
            client.disconnect()


class Client:
    """A client that keeps every event it receives, so that a test waits for the one it expects."""

    def __init__(self, clients, nick, username=None):
        self.clients, self.events = clients, []
        self.connection = clients.reactor.server()
        clients.by_connection[id(self.connection)] = self
        self.connection.connect("127.0.0.1", clients.port, nick, username=username or nick.lower(), ircname="Test " + nick)
        self.socket = self.connection.socket  # the library forgets it at a disconnect, without closing it
        if self.wait_for(lambda e: e.type in ("welcome", "nicknameinuse", "error", "disconnect"), "the welcome").type != "welcome":
            raise AssertionError("%s was not let on the network: %s" % (nick, self.events))

    def wait_for(self, predicate, what, since=0, timeout=TIMEOUT):
        """The first event from `since` on that satisfies the predicate, waiting for it."""
        deadline = time.monotonic() + timeout
        while not any(predicate(event) for event in self.events[since:]):
            if time.monotonic() >= deadline:
                recent = ["%s %s %s %s" % (e.type, e.source, e.target, e.arguments) for e in self.events[-30:]]
                raise AssertionError("%s waited in vain for %s; last events:\n  %s\n%s" % (
                    self.connection.get_nickname(), what, "\n  ".join(recent), self.clients.describe()))
            self.clients.reactor.process_once(0.05)
        return next(event for event in self.events[since:] if predicate(event))

    def wait_for_private(self, sender, text, timeout=TIMEOUT):
        return self.wait_for(lambda e: e.type in ("privnotice", "privmsg") and sender_of(e) == sender
                             and text_of(e) == wire(text), "%r from %s" % (text, sender), 0, timeout)

    def ask(self, service, text):
        """Sends the text to the service and returns the texts of its answers. A command without its
        word, answered by one syntax line, marks their end: the services answer in order."""
        start = len(self.events)
        self.connection.privmsg(service, text)
        self.connection.privmsg(service, "read" if service == "MemoServ" else "info")
        end = self.wait_for(lambda e: sender_of(e) == service and text_of(e).startswith("Syntax Error"),
                            "the answers to %r" % text, start)
        return [text_of(e) for e in self.events[start:self.events.index(end)] if sender_of(e) == service]

    def join(self, channel):
        start = len(self.events)
        self.connection.join(channel)
        self.wait_for(lambda e: e.type == "endofnames", "the join of " + channel, start)

    def leave(self):
        """Quits and waits until the server has closed the connection."""
        self.connection.quit("bye")
        self.wait_for(lambda e: e.type == "disconnect", "the server closing the connection")

    def disconnect(self):
        if self.connection.is_connected():
            self.connection.disconnect("Test over")
        self.socket.close()


class Network:
    """The IRC server, the services linked to it, and the test's clients; made by start_network."""

    def __init__(self):
        self.directory = Path(tempfile.mkdtemp(prefix="nb-e2e-"))
        self.ircd = NgircdServer(self.directory, SOURCE_DIR, LINK_PASSWORD, SERVER_NAME, OPERATOR)
        self.services = self.clients = None

    def start(self):
        self.ircd.start()
        self.clients = Clients(self.ircd.port, self.describe)
        self.services = ServicesProgram(self.directory, self.ircd.port, self.ircd.protocol, LINK_PASSWORD, 1)
        self.services.start()
        self.wait_for_services()

    def wait_for_services(self, links=1):
        """Returns once the services have linked `links` times and MemoServ, introduced last, answers."""
        self.services.wait_for_output(LINKED, links)
        probe = self.connect("nbprobe")
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            start = len(probe.events)
            probe.connection.privmsg("MemoServ", "read")
            if probe.wait_for(lambda e: sender_of(e) == "MemoServ" or e.type == "nosuchnick", "an answer from MemoServ",
                              start).type != "nosuchnick":
                break
            if time.monotonic() >= deadline:
                raise AssertionError("MemoServ is not on the network\n" + self.describe())
            time.sleep(0.5)  # each command counts against the server's flood limit
        probe.leave()  # gone before the test's own users arrive

    def connect(self, nick, username=None):
        return self.clients.connect(nick, username)

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
        try:
            if self.clients:
                self.clients.close()
        finally:
            if self.services:
                self.services.stop()
            self.ircd.stop()
            shutil.rmtree(self.directory, ignore_errors=True)


def start_network(testcase):
    """A started network that the test case tears down when it ends, passed or not."""
    network = Network()
    testcase.addCleanup(network.close)
    network.start()
    return network
