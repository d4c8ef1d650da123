"""Real IRC clients for the end-to-end tests.

Every client keeps every event it receives, in order, so a test can wait for the line it
expects (wait_for) instead of sleeping, and can then look at what came before it.
"""
import time
from collections import namedtuple

import irc.client

DEFAULT_TIMEOUT = 10.0

# The services read these as commands without their required words and answer with one fixed
# line and nothing else. Sent after a command, that answer marks the end of the command's
# replies: the services answer in the order they read, and the server keeps that order.
_END_MARKERS = {
    "NickServ": ("info", "Syntax Error: /msg NickServ info <nick>"),
    "MemoServ": ("read", "Syntax Error: /msg MemoServ read <memo number/all>"),
    "ChanServ": ("info", "Syntax Error: /msg ChanServ info <#channel>"),
}

_PRIVATE_KINDS = ("privnotice", "privmsg")


def _nick_of(source):
    return irc.client.NickMask(str(source)).nick if source else ""


class Event(namedtuple("Event", "type nick source target args at")):
    """One received event: its type as irc.client names it, the sender's nick, the full
    source, the target and the parameters after the target; `at` is the monotonic time."""

    @property
    def text(self):
        return self.args[-1] if self.args else ""

    def __str__(self):
        return "%s %s -> %s %r" % (self.type, self.source, self.target, self.args)


class Clients:
    """The clients of one test, on one reactor, so that waiting on one keeps all of them
    alive (they answer the server's PINGs while the reactor runs)."""

    def __init__(self, port, describe=lambda: ""):
        self.port = port
        self.describe = describe
        reactor_class = getattr(irc.client, "Reactor", None) or irc.client.IRC
        self.reactor = reactor_class()
        self.reactor.add_global_handler("all_events", self._record, -100)
        self._clients = {}

    def _record(self, connection, event):
        client = self._clients.get(id(connection))
        if client is None:
            return
        if event.type == "all_raw_messages":
            client.raw.append(event.arguments[0])
            return
        client.events.append(Event(event.type, _nick_of(event.source), str(event.source or ""),
                                   event.target, list(event.arguments or []), time.monotonic()))
        if event.type == "disconnect":
            client.close_socket()

    def pump(self, seconds=0.05):
        self.reactor.process_once(seconds)

    def connect(self, nick, username=None, realname=None, timeout=DEFAULT_TIMEOUT):
        """A client registered on the server as `nick` (the server's welcome has arrived)."""
        connection = self.reactor.server()
        client = Client(self, connection, nick)
        self._clients[id(connection)] = client
        connection.connect("127.0.0.1", self.port, nick, username=username or nick.lower(),
                           ircname=realname or "Test user " + nick)
        client.socket = connection.socket
        client.wait_for(lambda e: e.type == "welcome"
                        or e.type in ("nicknameinuse", "erroneusnickname", "error", "disconnect"),
                        timeout, what="the welcome of " + nick)
        if not client.has(lambda e: e.type == "welcome"):
            raise AssertionError("%s was not let on the network:\n%s" % (nick, client.recent()))
        return client

    def close(self):
        for client in list(self._clients.values()):
            client.disconnect()


class Client:
    def __init__(self, clients, connection, nick):
        self.clients = clients
        self.connection = connection
        self.initial_nick = nick
        self.events = []
        self.raw = []
        self.socket = None

    @property
    def nick(self):
        return self.connection.get_nickname()

    # ------------------------------------------------------------ looking at events

    def mark(self):
        """A position in the event list; `since=` arguments count from it."""
        return len(self.events)

    def has(self, predicate, since=0):
        return any(predicate(event) for event in self.events[since:])

    def find(self, predicate, since=0):
        return [event for event in self.events[since:] if predicate(event)]

    def wait_for(self, predicate, timeout=DEFAULT_TIMEOUT, since=0, what=None):
        """The first event from `since` on that satisfies the predicate, waiting for it."""
        deadline = time.monotonic() + timeout
        checked = since
        while True:
            for index in range(checked, len(self.events)):
                if predicate(self.events[index]):
                    return self.events[index]
            checked = max(checked, len(self.events))
            if time.monotonic() >= deadline:
                raise AssertionError("%s waited %.0f s in vain for %s.\nLast events:\n%s\n%s" % (
                    self.initial_nick, timeout, what or "an event", self.recent(since),
                    self.clients.describe()))
            self.clients.pump(min(0.05, max(0.0, deadline - time.monotonic())))

    def recent(self, since=0, count=40):
        return "\n".join("  " + str(event) for event in self.events[since:][-count:])

    def private_from(self, nick, since=0):
        """Texts of the NOTICEs and PRIVMSGs that `nick` sent to this client."""
        return [event.text for event in self.events[since:]
                if event.type in _PRIVATE_KINDS and event.nick == nick]

    def channel_lines(self, channel, since=0, sender=None):
        """Texts said in `channel` (by `sender` when given)."""
        return [event.text for event in self.events[since:]
                if event.type == "pubmsg" and event.target.lower() == channel.lower()
                and (sender is None or event.nick == sender)]

    def wait_for_channel_line(self, channel, text, since=0, timeout=DEFAULT_TIMEOUT):
        return self.wait_for(lambda e: e.type == "pubmsg" and e.target.lower() == channel.lower()
                             and e.text == text, timeout, since,
                             what="%r in %s" % (text, channel))

    def wait_for_private(self, nick, text, since=0, timeout=DEFAULT_TIMEOUT):
        return self.wait_for(lambda e: e.type in _PRIVATE_KINDS and e.nick == nick and e.text == text,
                             timeout, since, what="%r from %s" % (text, nick))

    # ------------------------------------------------------------ acting

    def say(self, target, text):
        self.connection.privmsg(target, text)

    def send(self, line):
        self.connection.send_raw(line)

    def ask(self, service, text, reach="NOTICE", timeout=DEFAULT_TIMEOUT):
        """Sends `text` to the service and returns the texts of all of its answers to this client,
        checking that they came as `reach` (NOTICE or PRIVMSG)."""
        start = self.mark()
        marker_command, marker_reply = _END_MARKERS[service]
        self.say(service, text)
        self.say(service, marker_command)
        end = self.wait_for(lambda e: e.type in _PRIVATE_KINDS and e.nick == service
                            and e.text == marker_reply, timeout, start,
                            what="the answers of %s to %r" % (service, text))
        answers = [event for event in self.events[start:self.events.index(end, start)]
                   if event.type in _PRIVATE_KINDS and event.nick == service]
        kind = "privmsg" if reach == "PRIVMSG" else "privnotice"
        wrong = [event for event in answers + [end] if event.type != kind]
        if wrong:
            raise AssertionError("%s answered %r not as %s:\n%s" % (
                service, text, reach, "\n".join("  " + str(event) for event in wrong)))
        return [event.text for event in answers]

    def whois(self, nick, timeout=DEFAULT_TIMEOUT):
        """The events of one WHOIS reply, up to its end (or the no-such-nick answer)."""
        start = self.mark()
        self.connection.whois([nick])
        end = self.wait_for(lambda e: e.type in ("endofwhois", "nosuchnick") and e.args
                            and e.args[0].lower() == nick.lower(), timeout, start,
                            what="the WHOIS reply for " + nick)
        return [event for event in self.events[start:self.events.index(end, start) + 1]
                if event.args and event.args[0].lower() == nick.lower()]

    def oper(self, name, password, timeout=DEFAULT_TIMEOUT):
        start = self.mark()
        self.connection.oper(name, password)
        self.wait_for(lambda e: e.type in ("youreoper", "passwdmismatch", "nooperhost"), timeout, start,
                      what="the answer to OPER")
        if not self.has(lambda e: e.type == "youreoper", start):
            raise AssertionError("OPER was refused:\n" + self.recent(start))

    def join(self, channel, timeout=DEFAULT_TIMEOUT):
        """Joins and returns the member list the server sent with the join."""
        start = self.mark()
        self.connection.join(channel)
        self.wait_for(lambda e: e.type == "endofnames" and e.args[:1] == [channel]
                      or e.type in ("inviteonlychan", "bannedfromchan", "badchannelkey", "channelisfull")
                      and e.args[:1] == [channel], timeout, start, what="the join of " + channel)
        if not self.has(lambda e: e.type == "join" and e.nick == self.nick, start):
            raise AssertionError("%s could not join %s:\n%s" % (self.nick, channel, self.recent(start)))
        names = []
        for event in self.find(lambda e: e.type == "namreply" and e.args[1:2] == [channel], start):
            names.extend(event.text.split())
        return names

    def part(self, channel, reason):
        # irc.client sends the reason without a colon, which a server may cut or refuse.
        self.send("PART %s :%s" % (channel, reason))

    def quit(self, message=""):
        self.connection.quit(message)

    def leave(self, message):
        """Quits and waits until the server has closed the connection."""
        self.quit(message)
        self.wait_for(lambda e: e.type == "disconnect", what=self.nick + " leaving")

    def disconnect(self):
        if self.connection.is_connected():
            self.connection.disconnect("Test over")
        self.close_socket()

    def close_socket(self):
        # irc.client leaves the socket open when the server has already closed the connection.
        if self.socket is not None:
            self.socket.close()
