"""The load benchmark's own parts (bench/load/), against a scripted IRC server on loopback:
what it counts as an answer, a failure or a time-out, the latencies it takes, the limits it
writes into the IRC server's configuration, and how it reads processes and the disk."""
import asyncio
import os
import sys
import tempfile
import time
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("NB_SOURCE_DIR") or Path(__file__).resolve().parents[2])
sys.path.insert(0, str(SOURCE_DIR / "bench" / "load"))

import irc_load  # noqa: E402
import load_bench  # noqa: E402
from irc_load import Client, parse_line, percentile, run_commands  # noqa: E402


class ScriptedServer:
    """A loopback IRC server that welcomes every client, and answers PRIVMSGs to NickServ with
    whatever `answer(nick, text)` returns: a list of (delay seconds, NOTICE text) or, for
    "no such nick", the string "401". It keeps the most commands it saw outstanding at once."""

    def __init__(self, answer):
        self.answer = answer
        self.outstanding = 0
        self.most_outstanding = 0
        self.pongs = []
        self.server = None
        self.port = None

    async def start(self):
        self.server = await asyncio.start_server(self._serve, "127.0.0.1", 0)
        self.port = self.server.sockets[0].getsockname()[1]
        return self

    async def close(self):
        self.server.close()
        await self.server.wait_closed()

    async def _serve(self, reader, writer):
        nick = None
        try:
            while True:
                raw = await reader.readline()
                if not raw:
                    return
                line = parse_line(raw.decode().rstrip("\r\n"))
                if line.command == "NICK":
                    nick = line.params[0]
                elif line.command == "USER":
                    writer.write((":irc.test 001 %s :Welcome\r\nPING :irc.test\r\n" % nick).encode())
                elif line.command == "PONG":
                    self.pongs.append(nick)
                elif line.command == "QUIT":
                    writer.write(b"ERROR :Closing link\r\n")
                    await writer.drain()
                    return
                elif line.command == "PRIVMSG" and line.params[0] == "NickServ":
                    asyncio.ensure_future(self._reply(writer, nick, line.text))
        finally:
            writer.close()

    async def _reply(self, writer, nick, text):
        plan = self.answer(nick, text)
        if plan == "401":
            writer.write((":irc.test 401 %s NickServ :No such nick or channel name\r\n" % nick).encode())
            return
        self.outstanding += 1
        self.most_outstanding = max(self.most_outstanding, self.outstanding)
        for delay, notice in plan:
            await asyncio.sleep(delay)
            writer.write((":NickServ!NickServ@services NOTICE %s :%s\r\n" % (nick, notice)).encode())
        self.outstanding -= 1


def run(coroutine):
    return asyncio.run(asyncio.wait_for(coroutine, 30))


class ParsingAndFiguresTest(unittest.TestCase):
    def test_a_line_splits_into_sender_command_and_parameters_with_the_trailing_one_last(self):
        line = parse_line(":NickServ!NickServ@services.localhost NOTICE ld00001 :Hello \x02ld00001\x02.  You : ok")
        self.assertEqual(("NickServ", "NOTICE", ["ld00001", "Hello \x02ld00001\x02.  You : ok"]),
                         (line.nick, line.command, line.params))
        self.assertEqual(("", "PING", ["irc.localhost"]), parse_line("PING :irc.localhost")[:3])
        self.assertEqual(["nbprobe", "NickServ", "No such nick"],
                         parse_line(":irc.localhost 401 nbprobe NickServ :No such nick").params)
        self.assertEqual(["a", "b"], parse_line(":x MODE a b").params)

    def test_percentiles_are_nearest_rank(self):
        values = [index / 1000.0 for index in range(100, 0, -1)]  # 0.001 .. 0.100, unsorted
        self.assertEqual((0.05, 0.09, 0.099), tuple(percentile(values, p) for p in (50, 90, 99)))
        self.assertEqual(0.1, percentile(values, 100))
        self.assertEqual(7, percentile([7], 99))
        self.assertIsNone(percentile([], 50))
        self.assertEqual(2, percentile([1, 2, 3, 4], 50))

    def test_enforcement_warnings_are_not_answers_but_other_service_notices_are(self):
        warning = parse_line(":NickServ!n@s NOTICE rg1 :This nick is registered.")
        answer = parse_line(":NickServ!n@s NOTICE rg1 :\x02rg1\x02 is not registered.")
        other = parse_line(":MemoServ!m@s NOTICE rg1 :You have a message")
        self.assertFalse(irc_load.is_service_answer(warning, "NickServ"))
        self.assertTrue(irc_load.is_service_answer(answer, "nickserv"))
        self.assertFalse(irc_load.is_service_answer(other, "NickServ"))

    def test_each_client_joins_three_distinct_channels_and_the_channels_fill_evenly(self):
        users, channels = 1000, 100
        members = [0] * channels
        for index in range(users):
            joined = load_bench.channels_for(index, channels)
            self.assertEqual(3, len(set(joined)), joined)
            for name in joined:
                number = int(name[len("#load"):])
                self.assertTrue(0 <= number < channels, name)
                members[number] += 1
        self.assertEqual(3 * users, sum(members))
        self.assertLessEqual(max(members) - min(members), 1)

    def test_the_load_limits_replace_those_of_the_limits_section_only(self):
        config = ("[Global]\n\tName = irc.localhost\n\tMaxJoins = 7\n"
                  "[Limits]\n\tPingTimeout = 120\n\tMaxConnectionsIP = 5\n\tmaxjoins = 10\n"
                  "[Options]\n\tPAM = no\n")
        patched = load_bench.with_limits(config, load_bench.LOAD_LIMITS)
        limits = patched.split("[Limits]")[1].split("[Options]")[0]
        self.assertIn("PingTimeout = 120", limits)
        self.assertNotIn("MaxConnectionsIP = 5", limits)
        self.assertNotIn("maxjoins = 10", limits)
        for key, value in load_bench.LOAD_LIMITS.items():
            self.assertEqual(1, limits.count("%s = %s" % (key, value)), key)
        self.assertIn("MaxJoins = 7", patched.split("[Limits]")[0])  # another section's key stays
        self.assertIn("PAM = no", patched)
        twice = load_bench.with_limits("[Limits]\n\tA = 1\n[Limits]\n\tB = 2\n", {"MaxJoins": "0"})
        self.assertEqual(1, twice.count("MaxJoins = 0"))
        without = load_bench.with_limits("[Global]\n\tName = x\n", {"MaxConnectionsIP": "0"})
        self.assertEqual("[Global]\n\tName = x\n[Limits]\n\tMaxConnectionsIP = 0\n", without)

    def test_the_link_traffic_is_read_from_the_server_log_of_the_closed_link(self):
        log = ('[1:5  204] Server "services.localhost" registered (connection 10008, 1 hop - direct link).\n'
               '[1:6  401] Connection 12 with "127.0.0.1:1" closed (in: 1.0k, out: 2.0k).\n'
               '[1:5  406] Server "services.localhost" unregistered (connection 10008): Client closed connection.\n'
               '[1:6  406] Connection 10008 with "127.0.0.1:59414" closed (in: 4564.9k, out: 1000.8k).\n')
        self.assertEqual((4564.9, 1000.8), load_bench.link_traffic_kib(log))
        self.assertIsNone(load_bench.link_traffic_kib(log.split("[1:5  406]")[0]))


class ProcessAndDiskTest(unittest.TestCase):
    def test_cpu_time_of_a_process_is_its_user_and_system_time(self):
        before = load_bench.cpu_seconds(os.getpid())
        deadline = time.process_time() + 0.3
        while time.process_time() < deadline:
            sum(range(100000))  # user time mostly
        used = load_bench.cpu_seconds(os.getpid())
        times = os.times()
        self.assertGreaterEqual(used - before, 0.2)
        self.assertAlmostEqual(times.user + times.system, used, delta=0.05)
        self.assertGreater(load_bench.memory_kib(os.getpid(), "VmRSS"), 1000)
        self.assertIsNone(load_bench.memory_kib(os.getpid(), "NoSuchKey"))

    def test_the_write_floor_times_each_durable_replacement_and_leaves_nothing_behind(self):
        with tempfile.TemporaryDirectory() as directory:
            floor = load_bench.durable_write_floor(directory, repetitions=5)
            self.assertEqual([], os.listdir(directory))
        self.assertEqual(5, floor["repetitions"])
        self.assertGreater(floor["min_ms"], 0)
        self.assertLessEqual(floor["min_ms"], floor["median_ms"])
        self.assertLessEqual(floor["median_ms"], floor["p90_ms"])

    def test_the_filesystem_is_that_of_the_deepest_mount_point(self):
        self.assertEqual("proc", load_bench.filesystem_of("/proc/self"))
        self.assertIsNotNone(load_bench.filesystem_of(tempfile.gettempdir()))

    def test_sync_writes_goes_into_the_general_section_of_the_settings(self):
        from services_program import ServicesProgram
        with tempfile.TemporaryDirectory() as directory:
            program = ServicesProgram(directory, 6667, "ngircd", "pw", 1, {"Sync Writes": "0"})
            settings = (program.data_dir / "settings.ini").read_text()
        general = settings.split("[General]\n")[1]
        self.assertIn("Sync Writes=0\n", general)
        self.assertNotIn("[", general)  # the last section, nothing after it


class CommandsAgainstAScriptedServerTest(unittest.TestCase):
    def test_answers_failures_time_outs_and_warnings_are_told_apart(self):
        def answer(nick, text):
            if nick == "slow":
                return []  # never answers
            if nick == "bad":
                return [(0.01, "That password is too short.  Please have it more than 4 characters.")]
            # A warning first, which is not the answer, then the success text in bold.
            return [(0.0, "This nick is registered."), (0.05, "You successfully registered \x02%s\x02!" % nick)]

        async def scenario():
            server = await ScriptedServer(answer).start()
            clients = await irc_load.connect_clients(["good1", "good2", "bad", "slow"], server.port, 2, 5)
            outcome = await run_commands(
                clients, "NickServ", lambda client: "register secret-" + client.nick,
                lambda client, text: irc_load.plain(text) == "You successfully registered %s!" % client.nick,
                concurrency=4, timeout=0.5)
            warned = sum(client.warnings for client in clients)
            for client in clients:
                client.abort()
            await server.close()
            return outcome, warned

        outcome, warned = run(scenario())
        summary = outcome.summary()
        self.assertEqual((3, 1, 1, 0, 0), (summary["answered"], summary["failed"], summary["timed_out"],
                                           summary["lost"], summary["not_sent"]))
        self.assertEqual(2, warned)
        self.assertEqual(["bad: That password is too short.  Please have it more than 4 characters."],
                         summary["failure_samples"])
        # The successful ones waited for the success text, not for the warning before it.
        self.assertGreaterEqual(sorted(outcome.latencies)[-1], 0.05)
        self.assertGreaterEqual(summary["wall_s"], 0.05)

    def test_no_more_commands_are_outstanding_than_the_concurrency_allows(self):
        def answer(nick, text):
            return [(0.03, "You successfully registered %s!" % nick)]

        async def scenario(concurrency):
            server = await ScriptedServer(answer).start()
            clients = await irc_load.connect_clients(["c%d" % i for i in range(12)], server.port, 4, 5)
            started = time.monotonic()
            outcome = await run_commands(clients, "NickServ", lambda client: "register x",
                                         lambda client, text: True, concurrency, timeout=5)
            elapsed = time.monotonic() - started
            for client in clients:
                client.abort()
            await server.close()
            return outcome, server.most_outstanding, elapsed

        outcome, most, elapsed = run(scenario(3))
        self.assertEqual(12, outcome.answered)
        self.assertEqual(3, most)
        self.assertGreaterEqual(elapsed, 4 * 0.03)  # four rounds of three
        self.assertTrue(all(latency >= 0.03 for latency in outcome.latencies), outcome.latencies)
        self.assertAlmostEqual(12 / outcome.wall, outcome.summary()["commands_per_s"], delta=0.1)
        outcome, most, _ = run(scenario(1))
        self.assertEqual(1, most)
        # Each command's latency is its own, not the time since the phase began.
        self.assertLess(max(outcome.latencies), 0.2, outcome.latencies)

    def test_past_the_phase_deadline_no_command_is_sent(self):
        async def scenario():
            server = await ScriptedServer(lambda nick, text: [(0.2, "ok")]).start()
            clients = await irc_load.connect_clients(["d%d" % i for i in range(5)], server.port, 5, 5)
            outcome = await run_commands(clients, "NickServ", lambda client: "x", lambda client, text: True,
                                         1, timeout=5, deadline=time.monotonic() + 0.3)
            for client in clients:
                client.abort()
            await server.close()
            return outcome

        summary = run(scenario()).summary()
        self.assertEqual(5, summary["commands"])
        self.assertGreaterEqual(summary["not_sent"], 3)
        self.assertEqual(5, summary["answered"] + summary["timed_out"] + summary["not_sent"])

    def test_the_server_pings_are_answered(self):
        async def scenario():
            server = await ScriptedServer(lambda nick, text: []).start()
            client = Client("pinged")
            await client.connect(server.port, 5)
            for _ in range(100):
                if server.pongs:
                    break
                await asyncio.sleep(0.01)
            await client.quit("bye", 2)
            await server.close()
            return server.pongs, client.closed.is_set()

        pongs, closed = run(scenario())
        self.assertEqual(["pinged"], pongs)
        self.assertTrue(closed)

    def test_a_refused_nick_is_an_error_naming_it(self):
        async def scenario():
            server = await asyncio.start_server(refuse, "127.0.0.1", 0)
            port = server.sockets[0].getsockname()[1]
            try:
                await irc_load.connect_clients(["taken"], port, 1, 5, attempts=1)
            finally:
                server.close()

        async def refuse(reader, writer):
            await reader.readline()
            writer.write(b":irc.test 433 * taken :Nickname already in use\r\n")
            await writer.drain()
            await reader.read()
            writer.close()

        with self.assertRaisesRegex(irc_load.ClientError, "taken was refused: 433"):
            run(scenario())

    def test_the_probe_asks_again_while_the_service_is_missing_and_stops_at_its_answer(self):
        questions = []

        def answer(nick, text):
            questions.append(time.monotonic())
            return "401" if len(questions) <= 3 else [(0.0, "\x02nbprobe\x02 is not registered.")]

        async def scenario():
            server = await ScriptedServer(answer).start()
            probe = Client("nbprobe")
            await probe.connect(server.port, 5)
            line, sent = await load_bench.first_answer(probe, 0.05, 5, lambda: True)
            probe.abort()
            await server.close()
            return line, sent

        line, sent = run(scenario())
        self.assertEqual(4, sent)
        self.assertEqual("NickServ", line.nick)
        gaps = [later - earlier for earlier, later in zip(questions, questions[1:])]
        self.assertTrue(all(gap >= 0.04 for gap in gaps), gaps)  # paced, not a flood

    def test_the_probe_gives_up_when_the_time_runs_out_and_stops_when_the_services_end(self):
        async def scenario(alive):
            server = await ScriptedServer(lambda nick, text: "401").start()
            probe = Client("nbprobe")
            await probe.connect(server.port, 5)
            try:
                return await load_bench.first_answer(probe, 0.02, 0.3, alive)
            finally:
                probe.abort()
                await server.close()

        started = time.monotonic()
        line, sent = run(scenario(lambda: True))
        self.assertIsNone(line)
        self.assertGreater(sent, 3)
        self.assertLess(time.monotonic() - started, 3)
        with self.assertRaisesRegex(RuntimeError, "services ended"):
            run(scenario(lambda: False))


class CheckTest(unittest.TestCase):
    def regid(self, **register):
        phase = {"answered": 10, "failed": 0, "timed_out": 0, "lost": 0, "not_sent": 0}
        return {"scenario": "regid", "clients": 10, "concurrency": 2,
                "register": dict(phase, **register), "identify": dict(phase)}

    def test_a_run_passes_only_when_every_command_succeeded(self):
        self.assertEqual([], load_bench.problems_of(self.regid()))
        for fault in ({"failed": 1}, {"timed_out": 1, "answered": 9}, {"lost": 1, "answered": 9},
                      {"not_sent": 1, "answered": 9}, {"answered": 9}):
            problems = load_bench.problems_of(self.regid(**fault))
            self.assertEqual(1, len(problems), fault)
            self.assertTrue(problems[0].startswith("register:"), problems)
        missing = self.regid()
        del missing["identify"]
        self.assertEqual(["no identify phase"], load_bench.problems_of(missing))

    def test_a_burst_passes_only_with_an_answer(self):
        self.assertEqual([], load_bench.problems_of({"scenario": "burst", "first_reply_s": 1.5}))
        self.assertEqual(1, len(load_bench.problems_of({"scenario": "burst", "first_reply_s": None})))
        self.assertEqual(["Boom"], load_bench.problems_of({"scenario": "burst", "error": "Boom"}))


if __name__ == "__main__":
    unittest.main()
