"""Plain IRC clients on asyncio for the load benchmark: raw sockets, registration, PING
answers, joins, and commands to a service timed to their first answer.

Every wait has a deadline: a client that never hears back ends with an error, never hangs.
"""
import asyncio
import time
from collections import deque, namedtuple

BOLD = "\x02"
# What the services send a user on a registered nick that they do not recognise; it is not
# the answer to a command and is counted on its own.
ENFORCEMENT_WARNINGS = ("This nick is registered.", "You have 60 seconds to identify")
# Numerics with which the server refuses a join; the channel is their second parameter.
JOIN_REFUSALS = {"403", "405", "471", "473", "474", "475", "476"}


class Line(namedtuple("Line", "nick command params at")):
    """One received line: the sender's nick (or server name), the command or numeric, the
    parameters (the trailing one last) and the monotonic time it was read."""

    @property
    def text(self):
        return self.params[-1] if self.params else ""


def parse_line(raw, at=0.0):
    prefix = ""
    if raw.startswith(":"):
        prefix, _, raw = raw[1:].partition(" ")
    head, separator, trailing = raw.partition(" :")
    params = head.split()
    if separator:
        params.append(trailing)
    command = params.pop(0).upper() if params else ""
    return Line(prefix.split("!", 1)[0], command, params, at)


def plain(text):
    """The text without its bold marks, as the success texts are compared."""
    return text.replace(BOLD, "")


def is_warning(text):
    return plain(text).startswith(ENFORCEMENT_WARNINGS)


def is_service_answer(line, service):
    return (line.command in ("NOTICE", "PRIVMSG") and line.nick.lower() == service.lower()
            and not is_warning(line.text))


class ClientError(Exception):
    pass


class Client:
    """One IRC connection. Each received line is matched against the waiting expectations
    (predicate and future); PINGs are answered at once."""

    def __init__(self, nick, username=None):
        self.nick = nick
        self.username = username or nick.lower()
        self.reader = None
        self.writer = None
        self.reader_task = None
        self.waiters = []
        self.recent = deque(maxlen=8)
        self.warnings = 0  # enforcement warnings from any service
        self.closed = None

    async def connect(self, port, timeout, host="127.0.0.1"):
        """Registers on the server; raises ClientError unless the welcome arrives in time."""
        self.closed = asyncio.Event()
        self.reader, self.writer = await asyncio.wait_for(asyncio.open_connection(host, port), timeout)
        self.reader_task = asyncio.create_task(self._read())
        welcome = self.expect(lambda line: line.command in ("001", "432", "433", "436", "ERROR"))
        self.send("NICK %s" % self.nick)
        self.send("USER %s 0 * :load client %s" % (self.username, self.nick))
        line = await self._wait(welcome, timeout, "the welcome")
        if line.command != "001":
            raise ClientError("%s was refused: %s %s" % (self.nick, line.command, " ".join(line.params)))

    async def join(self, channels, timeout):
        """Joins the channels in one JOIN; returns once the server has confirmed each one."""
        replies = [self.expect(lambda line, channel=channel: (line.command == "366" or line.command in JOIN_REFUSALS)
                               and len(line.params) > 1 and line.params[1].lower() == channel.lower())
                   for channel in channels]
        self.send("JOIN %s" % ",".join(channels))
        for channel, reply in zip(channels, replies):
            line = await self._wait(reply, timeout, "the join of " + channel)
            if line.command != "366":
                raise ClientError("%s could not join %s: %s" % (self.nick, channel, line.text))

    def expect(self, predicate):
        """A future for the first line from now on that satisfies the predicate."""
        future = asyncio.get_running_loop().create_future()
        self.waiters.append((predicate, future))
        return future

    def send(self, line):
        if self.writer is None or self.writer.is_closing():
            raise ClientError("%s is not connected" % self.nick)
        self.writer.write(line.encode() + b"\r\n")

    def say(self, target, text):
        self.send("PRIVMSG %s :%s" % (target, text))

    async def ask(self, service, text, timeout):
        """Sends a command to the service: (answer line or None when none came in time, send time)."""
        answer = self.expect(lambda line: is_service_answer(line, service))
        sent_at = time.monotonic()
        self.say(service, text)
        try:
            return await asyncio.wait_for(answer, timeout), sent_at
        except asyncio.TimeoutError:
            return None, sent_at

    async def quit(self, message, timeout):
        """Quits and waits until the server has closed the connection."""
        try:
            self.send("QUIT :%s" % message)
            await asyncio.wait_for(self.closed.wait(), timeout)
        except (ClientError, asyncio.TimeoutError):
            pass
        self.abort()

    def abort(self):
        if self.writer is not None:
            self.writer.transport.abort()
        if self.reader_task is not None:
            self.reader_task.cancel()

    def describe(self):
        return "%s, last lines received:\n%s" % (self.nick, "\n".join("  " + line for line in self.recent))

    async def _wait(self, future, timeout, what):
        try:
            return await asyncio.wait_for(future, timeout)
        except asyncio.TimeoutError:
            raise ClientError("%s waited %.0f s in vain for %s" % (self.nick, timeout, what)) from None

    async def _read(self):
        try:
            while True:
                raw = await self.reader.readline()
                if not raw:
                    break
                text = raw.decode("utf-8", "replace").rstrip("\r\n")
                self.recent.append(text)
                self._dispatch(parse_line(text, time.monotonic()))
        except (ConnectionError, OSError, ValueError):
            pass  # a reset or an over-long line ends the connection like a close
        finally:
            self.closed.set()
            self._fail_waiters(ClientError("%s: the server closed the connection" % self.nick))

    def _dispatch(self, line):
        if line.command == "PING":
            try:
                self.send("PONG :%s" % line.text)
            except ClientError:
                pass
            return
        if line.command in ("NOTICE", "PRIVMSG") and is_warning(line.text):
            self.warnings += 1
        matched = False
        for waiter in self.waiters:
            predicate, future = waiter
            if not future.done() and predicate(line):
                future.set_result(line)
                matched = True
                break
        if matched or any(future.done() for _, future in self.waiters):
            self.waiters = [waiter for waiter in self.waiters if not waiter[1].done()]

    def _fail_waiters(self, error):
        for _, future in self.waiters:
            if not future.done():
                future.set_exception(error)
        self.waiters = []


async def connect_clients(nicks, port, concurrency, timeout, channels_of=None, attempts=3):
    """Connects a client per nick, at most `concurrency` registering at once (the server's
    listen queue is short), each joining channels_of(index) when given. Raises ClientError
    naming the first failures unless every client made it."""
    semaphore = asyncio.Semaphore(concurrency)
    clients = [Client(nick) for nick in nicks]
    errors = []

    async def bring_up(index, client):
        async with semaphore:
            for attempt in range(attempts):
                try:
                    await client.connect(port, timeout)
                    break
                except (OSError, ClientError, asyncio.TimeoutError) as error:
                    client.abort()
                    if attempt + 1 == attempts:
                        errors.append("%s: %s" % (client.nick, error or type(error).__name__))
                        return
                    await asyncio.sleep(0.2 * (attempt + 1))
            if channels_of is not None:
                try:
                    await client.join(channels_of(index), timeout)
                except ClientError as error:
                    errors.append(str(error))

    await asyncio.gather(*(bring_up(index, client) for index, client in enumerate(clients)))
    if errors:
        for client in clients:
            client.abort()
        raise ClientError("%d of %d clients did not get on the network, e.g.:\n  %s" % (
            len(errors), len(clients), "\n  ".join(errors[:5])))
    return clients


class PhaseResult:
    """The outcome of one command phase: latencies of the answered commands and the counts."""

    def __init__(self):
        self.latencies = []  # seconds, answered commands only
        self.answered = 0
        self.failed = 0
        self.timed_out = 0
        self.lost = 0  # connection closed before an answer came
        self.not_sent = 0  # left when the phase's time ran out
        self.failure_samples = []
        self.wall = 0.0

    def summary(self):
        total = self.answered + self.timed_out + self.lost + self.not_sent
        return {
            "commands": total,
            "answered": self.answered,
            "failed": self.failed,
            "timed_out": self.timed_out,
            "lost": self.lost,
            "not_sent": self.not_sent,
            "wall_s": round(self.wall, 3),
            "commands_per_s": round(self.answered / self.wall, 1) if self.wall > 0 else None,
            "p50_ms": milliseconds(percentile(self.latencies, 50)),
            "p90_ms": milliseconds(percentile(self.latencies, 90)),
            "p99_ms": milliseconds(percentile(self.latencies, 99)),
            "max_ms": milliseconds(max(self.latencies) if self.latencies else None),
            "failure_samples": self.failure_samples,
        }


async def run_commands(clients, service, text_of, is_success, concurrency, timeout, deadline=None):
    """Each client sends one command, at most `concurrency` outstanding at a time. A command
    is done when the service's first answer to it arrives; its latency runs from the send to
    the reading of that answer. The phase's wall time runs from the first send to the last
    answer (or give-up). Past the monotonic `deadline` no command is sent and none waited for."""
    result = PhaseResult()
    pending = iter(clients)
    first_send = None
    last_done = None

    async def worker():
        nonlocal first_send, last_done
        for client in pending:
            wait = timeout if deadline is None else min(timeout, deadline - time.monotonic())
            if wait <= 0:
                result.not_sent += 1
                continue
            try:
                answer, sent_at = await client.ask(service, text_of(client), wait)
            except ClientError as error:
                result.lost += 1
                if len(result.failure_samples) < 3:
                    result.failure_samples.append(str(error))
                last_done = time.monotonic()
                continue
            first_send = sent_at if first_send is None else min(first_send, sent_at)
            if answer is None:
                result.timed_out += 1
                last_done = time.monotonic()
                continue
            result.answered += 1
            result.latencies.append(answer.at - sent_at)
            last_done = answer.at if last_done is None else max(last_done, answer.at)
            if not is_success(client, answer.text):
                result.failed += 1
                if len(result.failure_samples) < 3:
                    result.failure_samples.append("%s: %s" % (client.nick, plain(answer.text)))

    await asyncio.gather(*(worker() for _ in range(max(1, concurrency))))
    if first_send is not None and last_done is not None:
        result.wall = last_done - first_send
    return result


async def quit_clients(clients, message, timeout):
    await asyncio.gather(*(client.quit(message, timeout) for client in clients))


def percentile(values, percent):
    """The nearest-rank percentile (None for no values)."""
    if not values:
        return None
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * percent // 100))  # ceiling
    return ordered[int(rank) - 1]


def milliseconds(seconds):
    return None if seconds is None else round(seconds * 1000.0, 3)
