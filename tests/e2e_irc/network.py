"""A private IRC network for one test: a real IRC server on a free loopback port and the real
services binary linked to it, each in a temporary directory, torn down even when a test fails.

The binary comes from NB_BINARY, the source tree (for the server configuration and the help
texts) from NB_SOURCE_DIR, and the IRC server from NB_IRC_SERVER (default ngircd): everything
that depends on the server is in its adapter.
"""
import os
import shutil
import tempfile
import time
from pathlib import Path

from client import Clients
from processes import tail
from replies import expected
from server_ngircd import NgircdServer
from services_program import LINKED, SERVER_NAME, SOURCE_DIR, START_TIMEOUT, ServicesProgram

SERVER_ADAPTERS = {"ngircd": NgircdServer}
IRC_SERVER = os.environ.get("NB_IRC_SERVER", "ngircd")
LINK_PASSWORD = "link-secret"
OPERATOR = ("watcher", "oper-secret")
SERVICE_NICKS = ("ChanServ", "NickServ", "OperServ", "MemoServ")
LOG_CHANNELS = ("#nb.botinfo", "#NBII", "#nb.netinfo")
PROBE_NICK = "nbprobe"  # the harness's own client that checks that the services are up


def server_adapter():
    if IRC_SERVER not in SERVER_ADAPTERS:
        raise RuntimeError("NB_IRC_SERVER=%r: no adapter (known: %s)" % (IRC_SERVER, ", ".join(SERVER_ADAPTERS)))
    return SERVER_ADAPTERS[IRC_SERVER]


class Network:
    """The IRC server, the services linked to it, and the test's IRC clients."""

    def __init__(self, ping_timeout=None, pong_timeout=None, services_password=LINK_PASSWORD,
                 reconnect_delay=1):
        adapter = server_adapter()
        self.directory = Path(tempfile.mkdtemp(prefix="nb-e2e-"))
        self.ircd = adapter(self.directory, SOURCE_DIR, LINK_PASSWORD, SERVER_NAME, OPERATOR,
                            ping_timeout=ping_timeout, pong_timeout=pong_timeout)
        self.services_password = services_password
        self.reconnect_delay = reconnect_delay
        self.services = None
        self.clients = None

    def start(self, wait_for_link=True):
        self.ircd.start()
        self.services = ServicesProgram(self.directory, self.ircd.port, self.ircd.protocol,
                                        self.services_password, self.reconnect_delay)
        self.clients = Clients(self.ircd.port, self.describe)
        self.services.start()
        if wait_for_link:
            self.wait_for_services()
        return self

    def wait_for_services(self, links=1, timeout=START_TIMEOUT):
        """Returns once the services have linked `links` times and MemoServ, the service
        introduced last, answers a message: then the server has taken in every introduction."""
        deadline = time.monotonic() + timeout
        self.services.wait_for_output(LINKED, links, timeout)
        probe = self.connect(PROBE_NICK)
        memoserv = SERVICE_NICKS[-1]
        while True:
            start = probe.mark()
            probe.say(memoserv, "read")
            reply = probe.wait_for(lambda e: e.nick == memoserv or e.type == "nosuchnick",
                                   max(0.0, deadline - time.monotonic()), start, "an answer from " + memoserv)
            if reply.nick == memoserv:
                break
            if time.monotonic() >= deadline:
                raise AssertionError("%s is not on the network\n%s" % (memoserv, self.describe()))
            # Each command counts against the server's flood limit: asking at once again would
            # only delay the answer.
            time.sleep(0.5)
        # Gone for good before the test's own users arrive, so that the services count only those.
        probe.leave("probe done")

    def connect(self, nick, username=None, realname=None):
        return self.clients.connect(nick, username, realname)

    def connect_operator(self, nick):
        """A client that is an IRC operator of the server."""
        client = self.connect(nick)
        client.oper(*OPERATOR)
        return client

    def connect_registered(self, nick):
        """A client that has registered its nick with NickServ (password pw-<nick>) and identified."""
        client = self.connect(nick)
        for command, reply in (("register", "You successfully registered ^B%s^B!" % nick),
                               ("identify", "Hello ^B%s^B.  You have successfully identified." % nick)):
            answers = client.ask("NickServ", "%s pw-%s" % (command, nick))
            if answers[:1] != expected(reply):
                raise AssertionError("NickServ answered %r to the %s of %s" % (answers, command, nick))
        return client

    def restart_services(self):
        """Stops the binary (SIGTERM) and starts it again on the same data; returns the exit
        status of the stop."""
        links = self.services.output().count(LINKED)
        status = self.services.stop()
        self.services.start()
        self.wait_for_services(links + 1)
        return status

    def describe(self):
        output = self.services.output() if self.services else ""
        return "--- services output (last lines):\n%s\n--- IRC server log (last lines):\n%s" % (
            "\n".join(output.splitlines()[-15:]), tail(self.ircd.log_file))

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
