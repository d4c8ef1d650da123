#!/usr/bin/env python3
"""Load benchmark: the services linked to a private ngIRCd on loopback, with many plain IRC
clients.

burst   N users in N/10 channels are on the server before the services start; measures the
        time from the services' start until NickServ answers a probe, the services' CPU time
        until then and their resident memory once they are quiet.
regid   K clients register their nicks with NickServ, at most C commands outstanding; then K
        new connections on the same nicks identify. Latency percentiles, commands per second
        and the counts, next to the durable write floor of the data directory's disk.
bigdb   N registered nicks, their quit lines, registered channels and access entries are
        written before the start; measures the load time, memory per nick, register and
        identify, the CPU time of a registered user's quit (and of an unregistered user's, what
        any quit costs), and the probe's latency while the
        nick table's checkpoint runs. Runs only when named: --scenario bigdb.

One JSON line per run, then a table. The binary is NB_BINARY (default build-release/nimbral2).
"""
import argparse
import asyncio
import json
import os
import re
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE_DIR = Path(os.environ.get("NB_SOURCE_DIR") or HERE.parents[1])
# The end-to-end suite's process handling, ngIRCd adapter and services runner.
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e_irc"))
sys.path.insert(0, str(HERE))

from bigdb_data import nick_of, write_database  # noqa: E402
from irc_load import (ClientError, connect_clients, is_service_answer, milliseconds, percentile,  # noqa: E402
                      plain, quit_clients, run_commands)
from network import LINKED, SERVER_NAME, InspircdServer, NgircdServer, ServicesProgram, stop_process, tail  # noqa: E402

LINK_PASSWORD = "load-link-secret"
OPERATOR = ("watcher", "oper-secret")
SERVICE = "NickServ"
PROBE_NICK = "nbprobe"
PROBE_COMMAND = "info " + PROBE_NICK  # one short answer, whoever asks
# ngIRCd's log lines once the services' server has registered, and once the server counts the
# services as in step with the network.
NGIRCD_LINKED = 'Server "%s" registered' % SERVER_NAME
NGIRCD_SYNCED = 'Synchronization with "%s" done' % SERVER_NAME
# The same in InspIRCd's log: the link's password checked, and the end of the services' burst.
INSPIRCD_LINKED = "Verified server connection"
INSPIRCD_SYNCED = "Received end of netburst from %s" % SERVER_NAME
# No per-address connection limit, no command penalties, and room for every join.
LOAD_LIMITS = {"MaxConnections": "0", "MaxConnectionsIP": "0", "MaxJoins": "0", "MaxPenaltyTime": "0"}
REGISTERED = "You successfully registered %s!"
IDENTIFIED = "Hello %s.  You have successfully identified."
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


# ---------------------------------------------------------------- the network

def with_limits(config, limits):
    """The ngIRCd configuration text with `limits` set in its [Limits] section, replacing
    any of those keys it had."""
    wanted = {key.lower() for key in limits}
    added = ["\t%s = %s" % item for item in limits.items()]
    lines, in_limits, seen = [], False, False
    for line in config.splitlines():
        stripped = line.strip()
        if stripped.startswith("["):
            in_limits = stripped.lower() == "[limits]"
            lines.append(line)
            if in_limits and not seen:
                lines.extend(added)
                seen = True
            continue
        if in_limits and stripped.partition("=")[0].strip().lower() in wanted:
            continue
        lines.append(line)
    if not seen:
        lines += ["[Limits]"] + added
    return "\n".join(lines) + "\n"


class LoadNgircdServer(NgircdServer):
    """The suite's ngIRCd, with the limits that would refuse or slow down a crowd from one
    address lifted."""

    def _write_config(self):
        super()._write_config()
        self.config.write_text(with_limits(self.config.read_text(), LOAD_LIMITS))


# Per server: its class and the log lines of the link coming up and of the services in step.
# The suite's InspIRCd configuration sets no connection limits or command penalties already.
LOAD_SERVERS = {"ngircd": (LoadNgircdServer, NGIRCD_LINKED, NGIRCD_SYNCED),
                "inspircd": (InspircdServer, INSPIRCD_LINKED, INSPIRCD_SYNCED)}


class LoadNetwork:
    def __init__(self, work_dir, general, keep, server="ngircd"):
        self.directory = Path(tempfile.mkdtemp(prefix="nb-load-", dir=work_dir))
        server_class, self.linked_text, self.synced_text = LOAD_SERVERS[server]
        self.ircd = server_class(self.directory, SOURCE_DIR, LINK_PASSWORD, SERVER_NAME, OPERATOR)
        self.general = general
        self.keep = keep
        self.services = None
        self.clients = []

    def start_ircd(self):
        self.ircd.start()

    def prepare_services(self):
        """Writes the data directory and settings; start() runs the binary."""
        self.services = ServicesProgram(self.directory, self.ircd.link_port, self.ircd.protocol, LINK_PASSWORD,
                                        1, self.general)
        return self.services

    def services_alive(self):
        return self.services is not None and self.services.is_running()

    def describe(self):
        text = "--- IRC server log (last lines):\n" + tail(self.ircd.log_file)
        if self.services is not None:
            text = "--- services output (last lines):\n%s\n%s" % (tail(self.services.output_file), text)
        return text

    def link_drops(self):
        """How often the services linked beyond the first time."""
        return max(0, self.services.output().count(LINKED) - 1) if self.services else 0

    def close(self):
        # The services go first, so that they do not work through every client's quit.
        if self.services is not None:
            self.services.stop()
        for client in self.clients:
            client.abort()
        stop_process(self.ircd.process, 10)
        if self.keep:
            print("kept the load network in", self.directory, file=sys.stderr)
        else:
            shutil.rmtree(self.directory, ignore_errors=True)


class OutputWatch:
    """Notes the monotonic time at which each needle first shows up in a growing file; only
    text written after start() counts."""

    def __init__(self, path, needles):
        self.path = Path(path)
        self.needles = needles
        self.seen = {}
        self.offset = 0
        self.start_offset = 0
        self.carry = ""

    def start(self):
        self.offset = self.path.stat().st_size if self.path.exists() else 0
        self.start_offset = self.offset

    def poll(self):
        try:
            with open(self.path, "rb") as file:
                file.seek(self.offset)
                data = file.read()
        except FileNotFoundError:
            return
        if not data:
            return
        self.offset += len(data)
        text = self.carry + data.decode("utf-8", "replace")
        now = time.monotonic()
        for name, needle in self.needles.items():
            if name not in self.seen and needle in text:
                self.seen[name] = now
        self.carry = text[-256:]


# ---------------------------------------------------------------- measuring processes and the disk

class CpuWatch:
    """Notes when a process's CPU time last rose, sampling at most every `step` seconds."""

    def __init__(self, pid, step=0.1):
        self.pid = pid
        self.step = step
        self.last_sample = 0.0
        self.used = None
        self.last_rise = None

    def poll(self):
        now = time.monotonic()
        if now - self.last_sample < self.step:
            return
        self.last_sample = now
        try:
            used = cpu_seconds(self.pid)
        except OSError:
            return
        if self.used is not None and used > self.used:
            self.last_rise = now
        self.used = used


def link_traffic_kib(log_text):
    """(received, sent) KiB of the services' link as ngIRCd logs them when it closes, else None."""
    match = re.search(r'Server "%s" unregistered \(connection (\d+)\)' % re.escape(SERVER_NAME), log_text)
    if match is None:
        return None
    closed = re.search(r"Connection %s with \S+ closed \(in: ([\d.]+)k, out: ([\d.]+)k\)" % match.group(1),
                       log_text[match.end():])
    return (float(closed.group(1)), float(closed.group(2))) if closed else None


async def sent_over_link(log_watch, log_file, timeout):
    """KiB the services sent the server, once the server has logged the closed link (None when
    it has not within `timeout` seconds)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        log = Path(log_file).read_bytes()[log_watch.start_offset:].decode("utf-8", "replace")
        traffic = link_traffic_kib(log)
        if traffic is not None:
            return traffic[0]
        await asyncio.sleep(0.1)
    return None


def cpu_seconds(pid):
    """User plus system CPU time of a process, in seconds."""
    stat = Path("/proc/%d/stat" % pid).read_text()
    fields = stat[stat.rindex(")") + 2:].split()  # the name may hold spaces and parentheses
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def memory_kib(pid, key="VmRSS"):
    for line in Path("/proc/%d/status" % pid).read_text().splitlines():
        if line.startswith(key + ":"):
            return int(line.split()[1])
    return None


async def settle(pid, quiet=1.0, limit=30.0, step=0.1):
    """Waits until the process's CPU time has not risen for `quiet` seconds: (settled, seconds waited)."""
    start = time.monotonic()
    last, last_change = cpu_seconds(pid), start
    while time.monotonic() - start < limit:
        await asyncio.sleep(step)
        now, used = time.monotonic(), cpu_seconds(pid)
        if used != last:
            last, last_change = used, now
        elif now - last_change >= quiet:
            return True, now - start
    return False, time.monotonic() - start


def durable_write_floor(directory, repetitions=50, size=256):
    """Times a durable replacement of a small file, as a database save does it: write, fsync,
    rename over the old one, fsync of the folder. Milliseconds."""
    folder = Path(directory) / "write-floor"
    folder.mkdir(parents=True, exist_ok=True)
    temp, final = folder / "probe.tmp", folder / "probe"
    payload = b"x" * (size - 1) + b"\n"
    times = []
    try:
        for _ in range(repetitions):
            start = time.perf_counter()
            fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o600)
            try:
                os.write(fd, payload)
                os.fsync(fd)
            finally:
                os.close(fd)
            os.rename(temp, final)
            folder_fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
            try:
                os.fsync(folder_fd)
            finally:
                os.close(folder_fd)
            times.append(time.perf_counter() - start)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return {"median_ms": milliseconds(statistics.median(times)), "p90_ms": milliseconds(percentile(times, 90)),
            "min_ms": milliseconds(min(times)), "repetitions": repetitions}


def filesystem_of(path):
    """The type of the filesystem holding the path, from the longest matching mount point."""
    path = os.path.realpath(path)
    best, kind = "", None
    try:
        mounts = Path("/proc/mounts").read_text().splitlines()
    except OSError:
        return None
    for line in mounts:
        parts = line.split()
        if len(parts) < 3:
            continue
        point = parts[1].replace("\\040", " ")
        inside = path == point or path.startswith(point.rstrip("/") + "/")
        if inside and len(point) >= len(best):
            best, kind = point, parts[2]
    return kind


# ---------------------------------------------------------------- talking to the services

async def first_answer(probe, interval, timeout, alive, tick=lambda: None, resend_after=5.0):
    """Asks NickServ every `interval` seconds until it answers, one question at a time: while
    NickServ is not on the network the server answers "no such nick" at once. A question that
    gets no answer is asked again after `resend_after` seconds (the link may have dropped).
    Returns (the answer line or None when `timeout` ran out, questions sent)."""
    deadline = time.monotonic() + timeout
    sent = 0
    while True:
        tick()
        if not alive():
            raise RuntimeError("the services ended before NickServ answered")
        if time.monotonic() >= deadline:
            return None, sent
        reply = probe.expect(lambda line: is_service_answer(line, SERVICE) or (
            line.command == "401" and len(line.params) > 1 and line.params[1].lower() == SERVICE.lower()))
        asked_at = time.monotonic()
        probe.say(SERVICE, PROBE_COMMAND)
        sent += 1
        give_up = min(deadline, asked_at + resend_after)
        while not reply.done() and time.monotonic() < give_up:
            await asyncio.wait([reply], timeout=max(0.0, min(interval, give_up - time.monotonic())))
            tick()
            if not reply.done() and not alive():
                raise RuntimeError("the services ended before NickServ answered")
        if not reply.done():
            reply.cancel()
            continue
        line = reply.result()
        if line.command != "401":
            return line, sent
        await asyncio.sleep(max(0.0, asked_at + interval - time.monotonic()))


async def sync_with_services(network, probe, timeout):
    """Returns once NickServ has answered the probe: the services read in order, so every line
    the server passed on before has been handled."""
    answer, _ = await first_answer(probe, 0.1, timeout, network.services_alive)
    if answer is None:
        raise RuntimeError("NickServ did not answer within %.0f s\n%s" % (timeout, network.describe()))


async def wait_for_link(network, timeout):
    watch = OutputWatch(network.services.output_file, {"linked": LINKED})
    deadline = time.monotonic() + timeout
    while "linked" not in watch.seen:
        watch.poll()
        if not network.services_alive():
            raise RuntimeError("the services ended before linking\n" + network.describe())
        if time.monotonic() >= deadline:
            raise RuntimeError("the services did not link within %.0f s\n%s" % (timeout, network.describe()))
        await asyncio.sleep(0.02)


def channels_for(index, channels):
    """Three distinct channels for client `index`, spread evenly over #load0..#load<channels-1>."""
    return ["#load%d" % ((3 * index + step) % channels) for step in range(3)]


def password_of(nick):
    return "secret-" + nick


# ---------------------------------------------------------------- the scenarios

async def run_burst(args, users):
    result = {"scenario": "burst", "users": users, "channels": max(3, users // 10)}
    network = LoadNetwork(args.work_dir, None, args.keep, args.server)
    try:
        network.start_ircd()
        began = time.monotonic()
        network.clients = await asyncio.wait_for(connect_clients(
            ["ld%05d" % index for index in range(users)], network.ircd.port, args.connect_concurrency,
            args.client_timeout, channels_of=lambda index: channels_for(index, result["channels"])),
            args.setup_timeout)
        result["connect_s"] = round(time.monotonic() - began, 3)
        probe = (await connect_clients([PROBE_NICK], network.ircd.port, 1, args.client_timeout))[0]
        network.clients.append(probe)

        services = network.prepare_services()
        output_watch = OutputWatch(services.output_file, {"linked": LINKED})
        log_watch = OutputWatch(network.ircd.log_file, {"linked": network.linked_text, "synced": network.synced_text})
        log_watch.start()
        ircd_pid = network.ircd.process.pid
        ircd_cpu_before = cpu_seconds(ircd_pid)
        started = time.monotonic()
        services.start()
        pid = services.process.pid

        busy = CpuWatch(pid)

        def tick():
            output_watch.poll()
            log_watch.poll()
            busy.poll()

        answer, sent = await first_answer(probe, 0.02, args.burst_timeout, network.services_alive, tick)
        answered_at = answer.at if answer else time.monotonic()
        result["services_cpu_s"] = round(cpu_seconds(pid), 3)
        result["ircd_cpu_s"] = round(cpu_seconds(ircd_pid) - ircd_cpu_before, 3)
        tick()
        result["services_last_busy_s"] = round(busy.last_rise - started, 1) if busy.last_rise else None
        for name, watch, needle in (("link_up_s", output_watch, "linked"), ("ircd_saw_link_s", log_watch, "linked"),
                                    ("ircd_synced_s", log_watch, "synced")):
            seen = watch.seen.get(needle)
            result[name] = round(seen - started, 3) if seen is not None else None
        result["timed_out"] = answer is None
        result["first_reply_s"] = round(answered_at - started, 3) if answer else None
        result["probe_questions"] = sent
        if answer is None:
            result["error"] = "no answer from NickServ within %.0f s" % args.burst_timeout
        settled, waited = await settle(pid, limit=args.settle_limit)
        result["settled"], result["settle_wait_s"] = settled, round(waited, 1)
        result["services_cpu_settled_s"] = round(cpu_seconds(pid), 3)
        result["rss_kib"] = memory_kib(pid, "VmRSS")
        result["rss_peak_kib"] = memory_kib(pid, "VmHWM")
        result["link_drops"] = network.link_drops()
        # What the services sent the server over the link, which the server logs once it closes.
        services.stop()
        # Only ngIRCd logs the traffic of a closed link.
        result["services_sent_kib"] = (await sent_over_link(log_watch, network.ircd.log_file, 30.0)
                                       if isinstance(network.ircd, NgircdServer) else None)
    except (ClientError, RuntimeError, OSError, asyncio.TimeoutError) as error:
        result["error"] = "%s: %s" % (type(error).__name__, error)
        result["details"] = network.describe()
    finally:
        network.close()
    return result


async def probe_latencies(probe, over, timeout, interval=0.01, sent=None):
    """The probe's `info` asked again and again until `over`: the latency of each answer (and
    its send time appended to `sent` when given)."""
    latencies = []
    while not over.is_set():
        answer, sent_at = await probe.ask(SERVICE, PROBE_COMMAND, timeout)
        if answer is not None:
            latencies.append(answer.at - sent_at)
            if sent is not None:
                sent.append(sent_at)
        await asyncio.sleep(interval)
    return latencies


async def command_phase(network, probe, args, nicks, command, success, concurrency):
    """Connects a client per nick; then each sends NickServ `<command> <password>`, at most
    `concurrency` outstanding, while the probe asks `info` again and again. Returns (the
    clients, seconds to connect them, the phase's summary)."""
    began = time.monotonic()
    connected = await asyncio.wait_for(connect_clients(
        nicks, network.ircd.port, args.connect_concurrency, args.client_timeout), args.setup_timeout)
    network.clients.extend(connected)
    await sync_with_services(network, probe, args.sync_timeout)
    connect_s = round(time.monotonic() - began, 3)
    storm_over = asyncio.Event()
    probing = asyncio.ensure_future(probe_latencies(probe, storm_over, args.command_timeout))
    outcome = await run_commands(
        connected, SERVICE, lambda client: "%s %s" % (command, password_of(client.nick)),
        lambda client, text: plain(text) == success % client.nick,
        concurrency, args.command_timeout, deadline=time.monotonic() + args.phase_timeout)
    storm_over.set()
    info_latencies = await probing
    summary = outcome.summary()
    # Another user's short answer while the phase ran: nothing of it may wait behind a hash.
    summary["info_during_count"] = len(info_latencies)
    summary["info_during_p99_ms"] = milliseconds(percentile(info_latencies, 99))
    summary["warned_clients"] = sum(1 for client in connected if client.warnings)
    return connected, connect_s, summary


async def quit_and_sync(network, probe, args, clients):
    """The clients quit at once; returns the seconds until the services have seen every quit."""
    began = time.monotonic()
    await quit_clients(clients, "load test: next phase", args.client_timeout)
    await sync_with_services(network, probe, args.sync_timeout)
    return round(time.monotonic() - began, 3)


async def run_regid(args, clients, concurrency):
    result = {"scenario": "regid", "clients": clients, "concurrency": concurrency,
              "sync_writes": args.sync_writes, "hash_passwords": args.hash_passwords}
    general = {"Sync Writes": args.sync_writes} if args.sync_writes is not None else None
    network = LoadNetwork(args.work_dir, general, args.keep, args.server)
    try:
        network.start_ircd()
        services = network.prepare_services()
        if args.hash_passwords:
            with open(services.data_dir / "settings.ini", "a") as settings:
                settings.write("[Security]\nHash Passwords=1\n")
        services.start()
        await wait_for_link(network, args.client_timeout)
        probe = (await connect_clients([PROBE_NICK], network.ircd.port, 1, args.client_timeout))[0]
        network.clients.append(probe)
        await sync_with_services(network, probe, args.client_timeout)

        result["filesystem"] = filesystem_of(services.data_dir)
        result["durable_write_floor_ms"] = durable_write_floor(network.directory, args.floor_repetitions)

        nicks = ["rg%05d" % index for index in range(clients)]
        phases = (("register", "register", REGISTERED), ("identify", "identify", IDENTIFIED))
        for phase, command, success in phases:
            connected, result[phase + "_connect_s"], result[phase] = await command_phase(
                network, probe, args, nicks, command, success, concurrency)
            if not services.is_running():
                raise RuntimeError("the services ended during the %s phase" % phase)
            if phase == "register":
                result["quit_s"] = await quit_and_sync(network, probe, args, connected)
        p50, floor = result["register"]["p50_ms"], result["durable_write_floor_ms"]["median_ms"]
        if p50 is not None:
            result["register_p50_over_floor_ms"] = round(p50 - floor, 3)
            result["register_p50_within_floor_plus_half_ms"] = p50 <= floor + 0.5
        result["rss_kib"] = memory_kib(services.process.pid, "VmRSS")
        result["link_drops"] = network.link_drops()
    except (ClientError, RuntimeError, OSError, asyncio.TimeoutError) as error:
        result["error"] = "%s: %s" % (type(error).__name__, error)
        result["details"] = network.describe()
    finally:
        network.close()
    return result


def cpu_parts(pid):
    """(user, system) CPU seconds from /proc/pid/stat, and the nanoseconds every thread ran by
    the scheduler's count (much finer than the stat's clock ticks)."""
    stat = Path("/proc/%d/stat" % pid).read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    ran = sum(int((task / "schedstat").read_text().split()[0]) for task in Path("/proc/%d/task" % pid).iterdir())
    return int(fields[11]) / CLOCK_TICKS, int(fields[12]) / CLOCK_TICKS, ran


def quit_floor(args, folder, quits, registered):
    """What the system calls of `quits` quits cost alone, in µs a quit by the scheduler's count:
    quit_floor.cpp makes the calls the services make for a quit (of a registered user: with the
    journal's), and nothing else. None without the program."""
    if not args.quit_floor:
        return None
    command = [args.quit_floor, str(quits), str(folder)] + ([] if registered else ["plain"])
    try:
        done = subprocess.run(command, capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return float(done.stdout) if done.returncode == 0 else None


async def quit_one_at_a_time(network, probe, args, clients, pid, registered):
    """The clients quit one after another, a little apart so that each quit is a block of its
    own. Returns the services' CPU time per quit in µs: from the stat (user, system), from the
    scheduler (also for each 100 quits, and their median), and the scheduler's less what the
    quiet process used in the same time (its rate measured for `idle_s` seconds before). After
    each 100 quits the floor program makes the same quits' system calls alone, so that a batch
    can be set against what the host charged for those calls at that moment."""
    await settle(pid, quiet=0.5, limit=args.settle_limit)
    idle_from, idle_began = cpu_parts(pid)[2], time.monotonic()
    await asyncio.sleep(args.idle_s)
    idle_rate = (cpu_parts(pid)[2] - idle_from) / (time.monotonic() - idle_began)
    before, began = cpu_parts(pid), time.monotonic()
    # The scheduler's count every 100 quits as well: a burst of the host's own work lands on a
    # few batches, and their median shows what a quit costs without it.
    batch_ran, batches, floors, floor_s = before[2], [], [], 0.0
    for index, client in enumerate(clients, 1):
        await client.quit("Quit: one of many", args.client_timeout)
        await asyncio.sleep(0.002)
        if index % 100 == 0:
            ran = cpu_parts(pid)[2]
            batches.append(round((ran - batch_ran) / 100 / 1e3, 1))
            floor_began = time.monotonic()
            floors.append(quit_floor(args, network.directory, 100, registered))
            floor_s += time.monotonic() - floor_began
            batch_ran = cpu_parts(pid)[2]
    await sync_with_services(network, probe, args.sync_timeout)
    after, wall = cpu_parts(pid), time.monotonic() - began - floor_s
    per = [(after[i] - before[i]) / len(clients) for i in range(3)]
    measured = [floor for floor in floors if floor is not None]
    over = [batch - floor for batch, floor in zip(batches, floors) if floor is not None]
    return {"quit_batches_sched_us": batches,
            "quit_batch_median_sched_us": statistics.median(batches) if batches else None,
            "quit_floor_batches_us": floors,
            "quit_floor_median_us": statistics.median(measured) if measured else None,
            "quit_over_floor_median_us": round(statistics.median(over), 1) if over else None,
            "quit_cpu_us": round((per[0] + per[1]) * 1e6, 1), "quit_user_us": round(per[0] * 1e6, 1),
            "quit_system_us": round(per[1] * 1e6, 1), "quit_sched_us": round(per[2] / 1e3, 1),
            "idle_sched_us_per_s": round(idle_rate / 1e3, 1),
            "quit_sched_less_idle_us": round((per[2] - idle_rate * wall / len(clients)) / 1e3, 1),
            "quit_wall_s": round(wall, 3)}


async def watch_checkpoint(network, probe, args, pid):
    """Makes Journal Size small (settings.ini is read again on SIGHUP); the next block that
    writes starts a checkpoint, and one registration is sent if none has started half a second
    after the signal. The probe asks `info` again and again meanwhile. The checkpoint runs while
    Changes.journal.old exists."""
    services = network.services
    settings = services.data_dir / "settings.ini"
    # The services wrote every key into the file at their start; a second one would not be read.
    text, count = re.subn(r"(?m)^Journal Size=.*$", "Journal Size=" + args.checkpoint_journal_mib,
                          settings.read_text())
    if count == 0:
        text = text.replace("[General]\n", "[General]\nJournal Size=%s\n" % args.checkpoint_journal_mib, 1)
    settings.write_text(text)
    journal, old = services.data_dir / "Changes.journal", services.data_dir / "Changes.journal.old"
    outcome = {"journal_kib_before": round(journal.stat().st_size / 1024.0, 1) if journal.exists() else None}
    changer = (await connect_clients(["bigdbck"], network.ircd.port, 1, args.client_timeout))[0]
    network.clients.append(changer)
    over, sent = asyncio.Event(), []
    probing = asyncio.ensure_future(probe_latencies(probe, over, args.command_timeout, 0.002, sent))
    await asyncio.sleep(0.05)
    signalled = time.monotonic()
    os.kill(pid, signal.SIGHUP)
    change, deadline = None, signalled + args.checkpoint_timeout
    first = None
    while time.monotonic() < deadline:
        now, running = time.monotonic(), old.exists()
        if running and first is None:
            first = now
        if not running and first is not None:
            break
        if not running and change is None and now - signalled > 0.5:
            change = asyncio.ensure_future(changer.ask(
                SERVICE, "register " + password_of(changer.nick), args.command_timeout))
            outcome["change_sent_after_s"] = round(now - signalled, 3)
        await asyncio.sleep(0.001)
    ended = time.monotonic()
    over.set()
    latencies = await probing
    if change is not None:
        answer, sent_at = await change
        outcome["change_ms"] = milliseconds(answer.at - sent_at) if answer is not None else None
    during = [latency for latency, at in zip(latencies, sent) if first is not None and first <= at <= ended]
    outcome.update({
        "started_by": None if first is None else "change" if change is not None else "SIGHUP",
        "ended": first is not None and not old.exists(),
        "starts_after_signal_ms": milliseconds(first - signalled) if first is not None else None,
        "duration_s": round(ended - first, 3) if first is not None else None,
        "probes_during": len(during), "probe_p50_ms": milliseconds(percentile(during, 50)),
        "probe_p99_ms": milliseconds(percentile(during, 99)),
        "probe_max_ms": milliseconds(max(during) if during else None)})
    return outcome


async def run_bigdb(args, nicks, baseline_kib=None):
    """A data directory with `nicks` registered nicks (and the channels) written before the
    start; 0 nicks is the empty database whose memory the others are measured against."""
    result = {"scenario": "bigdb", "nicks": nicks, "channels": args.channels if nicks else 0,
              "sync_writes": args.sync_writes}
    general = {"Sync Writes": args.sync_writes} if args.sync_writes is not None else None
    network = LoadNetwork(args.work_dir, general, args.keep, args.server)
    try:
        network.start_ircd()
        probe = (await connect_clients([PROBE_NICK], network.ircd.port, 1, args.client_timeout))[0]
        network.clients.append(probe)
        services = network.prepare_services()
        began = time.monotonic()
        result["data_mib"] = round(write_database(services.data_dir, nicks, result["channels"]) / 1048576.0, 1)
        result["generate_s"] = round(time.monotonic() - began, 3)

        output_watch = OutputWatch(services.output_file, {"linked": LINKED})
        started = time.monotonic()
        services.start()
        pid = services.process.pid
        answer, _ = await first_answer(probe, 0.02, args.burst_timeout, network.services_alive, output_watch.poll)
        if answer is None:
            raise RuntimeError("no answer from NickServ within %.0f s" % args.burst_timeout)
        output_watch.poll()
        linked = output_watch.seen.get("linked")
        result["link_up_s"] = round(linked - started, 3) if linked is not None else None
        result["load_s"] = round(answer.at - started, 3)
        result["load_cpu_s"] = round(cpu_seconds(pid), 3)
        result["settled"], _ = await settle(pid, limit=args.settle_limit)
        result["rss_kib"] = memory_kib(pid, "VmRSS")
        result["rss_peak_kib"] = memory_kib(pid, "VmHWM")
        if nicks == 0:
            return result
        if baseline_kib is not None:
            result["rss_bytes_per_nick"] = round((result["rss_kib"] - baseline_kib) * 1024.0 / nicks, 1)

        result["filesystem"] = filesystem_of(services.data_dir)
        result["durable_write_floor_ms"] = durable_write_floor(network.directory, args.floor_repetitions)
        clients = args.clients[0]
        for phase, prefix, command, success, concurrency in (
                ("register_1", "bq", "register", REGISTERED, 1), ("register_50", "br", "register", REGISTERED, 50),
                ("identify_50", "br", "identify", IDENTIFIED, 50)):
            nicks_of_phase = ["%s%05d" % (prefix, index) for index in range(clients)]
            connected, _, result[phase] = await command_phase(
                network, probe, args, nicks_of_phase, command, success, concurrency)
            await quit_and_sync(network, probe, args, connected)
            if not services.is_running():
                raise RuntimeError("the services ended during the %s phase" % phase)
        p50, floor = result["register_1"]["p50_ms"], result["durable_write_floor_ms"]["median_ms"]
        if p50 is not None:
            result["register_p50_over_floor_ms"] = round(p50 - floor, 3)

        # The same quits of users with no registered nick: what any quit costs (its net channel
        # line, the debug log, the loop waking), without the journal.
        plain_nicks = ["pq%05d" % index for index in range(args.quitters)]
        plain_clients = await asyncio.wait_for(connect_clients(
            plain_nicks, network.ircd.port, args.connect_concurrency, args.client_timeout), args.setup_timeout)
        network.clients.extend(plain_clients)
        await sync_with_services(network, probe, args.sync_timeout)
        plain_quits = await quit_one_at_a_time(network, probe, args, plain_clients, pid, registered=False)
        result.update({"plain_" + key: value for key, value in plain_quits.items()})

        # Registered users, identified so that no enforcement acts on them, quit one by one.
        quitters = [nick_of(index) for index in range(min(args.quitters, nicks))]
        connected, _, result["quitters_identify"] = await command_phase(
            network, probe, args, quitters, "identify", IDENTIFIED, 50)
        result.update(await quit_one_at_a_time(network, probe, args, connected, pid, registered=True))

        result["checkpoint"] = await watch_checkpoint(network, probe, args, pid)
        if not services.is_running():
            raise RuntimeError("the services ended during the checkpoint")
        result["rss_end_kib"] = memory_kib(pid, "VmRSS")
        result["link_drops"] = network.link_drops()
    except (ClientError, RuntimeError, OSError, asyncio.TimeoutError) as error:
        result["error"] = "%s: %s" % (type(error).__name__, error)
        result["link_drops"] = network.link_drops()
        result["details"] = network.describe()
    finally:
        network.close()
    return result


# ---------------------------------------------------------------- checks and report

def problems_of(result):
    """What makes a run fail --check: an error, a probe that was never answered, or a command
    that was not answered with its success text."""
    problems = []
    if "error" in result:
        problems.append(result["error"])
    if result["scenario"] == "regid":
        for phase in ("register", "identify"):
            summary = result.get(phase)
            if summary is None:
                problems.append("no %s phase" % phase)
                continue
            if summary["answered"] != result["clients"] or summary["failed"]:
                problems.append("%s: %d of %d answered, %d failed, %d timed out, %d lost, %d not sent" % (
                    phase, summary["answered"], result["clients"], summary["failed"], summary["timed_out"],
                    summary["lost"], summary["not_sent"]))
    elif result["scenario"] == "bigdb":
        for phase in ("register_1", "register_50", "identify_50", "quitters_identify"):
            summary = result.get(phase)
            if summary is not None and (summary["answered"] != summary["commands"] or summary["failed"]):
                problems.append("%s: %d of %d answered, %d failed" % (
                    phase, summary["answered"], summary["commands"], summary["failed"]))
    elif result.get("first_reply_s") is None and "error" not in result:
        problems.append("NickServ never answered the probe")
    return problems


def show(value, unit_scale=1.0, digits=2):
    if value is None:
        return "-"
    if isinstance(value, bool):
        return "yes" if value else "no"
    return ("%%.%df" % digits) % (value * unit_scale)


def table(results):
    lines = []
    bursts = [r for r in results if r["scenario"] == "burst"]
    if bursts:
        lines.append("Burst: services started with the users already on the server")
        lines.append("%7s %8s %9s %8s %13s %14s %11s %8s %9s" % (
            "users", "channels", "connect s", "link s", "first reply s", "services CPU s", "ircd CPU s",
            "RSS MiB", "settled"))
        for r in bursts:
            if r.get("first_reply_s") is None and "error" in r:
                lines.append("%7d  %s" % (r["users"], "ERROR: " + r["error"].splitlines()[0]))
                if "connect_s" not in r:
                    continue
            lines.append("%7d %8d %9s %8s %13s %14s %11s %8s %9s" % (
                r["users"], r["channels"], show(r.get("connect_s")), show(r.get("link_up_s")),
                show(r.get("first_reply_s")) if not r.get("timed_out") else "timed out",
                show(r.get("services_cpu_s")), show(r.get("ircd_cpu_s")),
                show(r.get("rss_kib"), 1 / 1024.0, 1), show(r.get("settled"))))
    regids = [r for r in results if r["scenario"] == "regid"]
    if regids:
        if lines:
            lines.append("")
        lines.append("Register / identify (latency in ms; floor = write+fsync+rename+fsync of the folder)")
        lines.append("%7s %5s %9s %8s %8s %8s %8s %9s %8s %6s %9s %5s %9s %9s" % (
            "clients", "conc", "phase", "p50", "p90", "p99", "max", "cmds/s", "answered", "failed",
            "timed out", "lost", "floor p50", "info p99"))
        for r in regids:
            if "error" in r:
                lines.append("%7d %5d  %s" % (r["clients"], r["concurrency"], "ERROR: " + r["error"].splitlines()[0]))
            for phase in ("register", "identify"):
                s = r.get(phase)
                if s is None:
                    continue
                floor = r.get("durable_write_floor_ms", {}).get("median_ms") if phase == "register" else None
                lines.append("%7d %5d %9s %8s %8s %8s %8s %9s %8d %6d %9d %5d %9s %9s" % (
                    r["clients"], r["concurrency"], phase, show(s["p50_ms"]), show(s["p90_ms"]),
                    show(s["p99_ms"]), show(s["max_ms"]), show(s["commands_per_s"], digits=1), s["answered"],
                    s["failed"], s["timed_out"], s["lost"] + s["not_sent"], show(floor),
                    show(s.get("info_during_p99_ms"))))
    bigdbs = [r for r in results if r["scenario"] == "bigdb"]
    if bigdbs:
        if lines:
            lines.append("")
        lines.append("Large database written before the start (latency in ms; RSS over the empty database's)")
        lines.append("%8s %8s %7s %7s %8s %7s %7s %7s %7s %7s %8s %6s %6s %8s %6s %6s %9s %6s %5s %5s %10s %6s %5s %5s %7s %6s %8s" % (
            "nicks", "channels", "load s", "link s", "RSS MiB", "B/nick", "reg1p50", "reg1p99", "floor", "over",
            "reg50/s", "p50", "p99", "id50/s", "p50", "p99", "quit CPU", "median", "floor", "over", "plain quit", "median",
            "floor", "over", "ckpt s", "probes", "probe p99"))
        for r in bigdbs:
            if "error" in r:
                lines.append("%8d  %s" % (r["nicks"], "ERROR: " + r["error"].splitlines()[0]))
            empty = {}
            reg1, reg50, id50 = (r.get(phase, empty) for phase in ("register_1", "register_50", "identify_50"))
            checkpoint = r.get("checkpoint", empty)
            lines.append("%8d %8d %7s %7s %8s %7s %7s %7s %7s %7s %8s %6s %6s %8s %6s %6s %9s %6s %5s %5s %10s %6s %5s %5s %7s %6s %8s" % (
                r["nicks"], r["channels"], show(r.get("load_s")), show(r.get("link_up_s")),
                show(r.get("rss_kib"), 1 / 1024.0, 1), show(r.get("rss_bytes_per_nick"), digits=0),
                show(reg1.get("p50_ms")), show(reg1.get("p99_ms")),
                show(r.get("durable_write_floor_ms", empty).get("median_ms")), show(r.get("register_p50_over_floor_ms")),
                show(reg50.get("commands_per_s"), digits=0), show(reg50.get("p50_ms")), show(reg50.get("p99_ms")),
                show(id50.get("commands_per_s"), digits=0), show(id50.get("p50_ms")), show(id50.get("p99_ms")),
                show(r.get("quit_cpu_us"), digits=1) + (" us" if "quit_cpu_us" in r else ""),
                show(r.get("quit_batch_median_sched_us"), digits=0), show(r.get("quit_floor_median_us"), digits=0),
                show(r.get("quit_over_floor_median_us"), digits=0),
                show(r.get("plain_quit_cpu_us"), digits=1) + (" us" if "plain_quit_cpu_us" in r else ""),
                show(r.get("plain_quit_batch_median_sched_us"), digits=0),
                show(r.get("plain_quit_floor_median_us"), digits=0), show(r.get("plain_quit_over_floor_median_us"), digits=0),
                show(checkpoint.get("duration_s"), digits=3), checkpoint.get("probes_during", "-"),
                show(checkpoint.get("probe_p99_ms"))))
    return "\n".join(lines)


def number_list(text):
    try:
        values = [int(part) for part in text.split(",") if part.strip()]
    except ValueError:
        raise argparse.ArgumentTypeError("a number or a comma-separated list of numbers: %r" % text) from None
    if not values or any(value < 1 for value in values):
        raise argparse.ArgumentTypeError("numbers of at least 1: %r" % text)
    return values


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--scenario", choices=("burst", "regid", "bigdb", "all"), default="all",
                        help="all is burst and regid; bigdb runs only when named")
    parser.add_argument("--server", choices=sorted(LOAD_SERVERS), default="ngircd",
                        help="the IRC server the services link to (default ngircd)")
    parser.add_argument("--users", type=number_list, default=[1000, 10000],
                        help="burst: users on the server, a list runs each (default 1000,10000)")
    parser.add_argument("--clients", type=number_list, default=[500],
                        help="regid: clients that register and identify (default 500)")
    parser.add_argument("--concurrency", type=number_list, default=[1, 50],
                        help="regid: commands outstanding at once, a list runs each (default 1,50)")
    parser.add_argument("--nicks", type=number_list, default=[10000, 100000, 1000000],
                        help="bigdb: registered nicks written before the start, a list runs each (default 10000,100000,1000000)")
    parser.add_argument("--channels", type=int, default=100000,
                        help="bigdb: registered channels, 3 access entries each (default 100000)")
    parser.add_argument("--quitters", type=int, default=1000,
                        help="bigdb: registered users who identify and then quit one at a time (default 1000)")
    parser.add_argument("--idle-s", type=float, default=5.0,
                        help="bigdb: seconds the quiet services' CPU use is measured before the quits (default 5)")
    parser.add_argument("--quit-floor", default=os.environ.get("NB_QUIT_FLOOR"),
                        help="bigdb: the quit_floor program (run.sh builds it; default $NB_QUIT_FLOOR)")
    parser.add_argument("--checkpoint-journal-mib", default="0.001",
                        help="bigdb: the Journal Size set on SIGHUP to start a checkpoint (default 0.001)")
    parser.add_argument("--checkpoint-timeout", type=float, default=300.0,
                        help="bigdb: seconds to wait for the checkpoint to start and end (default 300)")
    parser.add_argument("--sync-writes", choices=("0", "1"), default=None,
                        help="regid: write 'Sync Writes=<value>' into [General] of the settings")
    parser.add_argument("--hash-passwords", action="store_true",
                        help="Security/Hash Passwords=1: passwords stored as Argon2id hashes")
    parser.add_argument("--burst-timeout", type=float, default=300.0,
                        help="seconds to wait for NickServ's first answer after the start (default 300)")
    parser.add_argument("--command-timeout", type=float, default=30.0, help="seconds per command (default 30)")
    parser.add_argument("--phase-timeout", type=float, default=600.0,
                        help="seconds per command phase; commands not sent by then count as failed (default 600)")
    parser.add_argument("--sync-timeout", type=float, default=120.0,
                        help="seconds for the services to catch up between phases (default 120)")
    parser.add_argument("--client-timeout", type=float, default=30.0,
                        help="seconds for one client to connect, join or quit (default 30)")
    parser.add_argument("--setup-timeout", type=float, default=900.0,
                        help="seconds to connect all clients of a run (default 900)")
    parser.add_argument("--connect-concurrency", type=int, default=8,
                        help="clients registering with the server at once; more overflow ngIRCd's listen queue of 10 (default 8)")
    parser.add_argument("--settle-limit", type=float, default=30.0,
                        help="burst: at most this many seconds waiting for the services to go quiet")
    parser.add_argument("--floor-repetitions", type=int, default=50)
    parser.add_argument("--work-dir", default=None, help="where the temporary network goes (default: $TMPDIR)")
    parser.add_argument("--keep", action="store_true", help="keep each run's directory (logs, data)")
    parser.add_argument("--json-only", action="store_true", help="print only the JSON lines")
    parser.add_argument("--check", action="store_true",
                        help="exit non-zero unless every run answered every command with success")
    return parser.parse_args(argv)


def raise_file_limit(needed):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft != hard:
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))  # ngIRCd inherits it
        soft = hard
    if soft != resource.RLIM_INFINITY and soft < needed:
        raise SystemExit("%d clients need about %d open files, the limit is %d (raise the hard limit)" % (
            needed - 100, needed, soft))


async def run_all(args):
    runs = []
    if args.scenario in ("burst", "all"):
        runs += [("burst", users) for users in args.users]
    if args.scenario in ("regid", "all"):
        runs += [("regid", clients, concurrency) for clients in args.clients for concurrency in args.concurrency]
    if args.scenario == "bigdb":
        runs += [("bigdb", 0)] + [("bigdb", nicks) for nicks in args.nicks]
    results = []
    baseline_kib = None
    for run in runs:
        if run[0] == "burst":
            result = await run_burst(args, run[1])
        elif run[0] == "bigdb":
            result = await run_bigdb(args, run[1], baseline_kib)
            if run[1] == 0:
                baseline_kib = result.get("rss_kib")
        else:
            result = await run_regid(args, run[1], run[2])
        results.append(result)
        print(json.dumps(result, sort_keys=False), flush=True)
    return results


def main(argv=None):
    args = parse_arguments(sys.argv[1:] if argv is None else argv)
    default_binary = SOURCE_DIR / "build-release" / "nimbral2"
    os.environ.setdefault("NB_BINARY", str(default_binary))
    if not os.access(os.environ["NB_BINARY"], os.X_OK):
        raise SystemExit("no binary at %s: build it (bench/load/run.sh does) or set NB_BINARY" % os.environ["NB_BINARY"])
    largest = max(args.users + args.clients + [args.quitters])
    raise_file_limit(largest + 100)
    results = asyncio.run(run_all(args))
    if not args.json_only:
        print()
        print(table(results))
    failures = [(result, problems_of(result)) for result in results]
    failures = [(result, problems) for result, problems in failures if problems]
    for result, problems in failures:
        size = result.get("users", result.get("nicks"))
        name = "%s %s" % (result["scenario"], size if size is not None else "%s/%s" % (
            result["clients"], result["concurrency"]))
        for problem in problems:
            print("%s: %s" % (name, problem.splitlines()[0]), file=sys.stderr)
    errors = any("error" in result for result in results)
    return 1 if errors or (args.check and failures) else 0


if __name__ == "__main__":
    sys.exit(main())
