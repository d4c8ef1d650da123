"""scripts/run.sh, the demo start: it builds the program, says when the network is ready, the
network and its example bot answer, the statistics pages are served, and Ctrl-C leaves
nothing running; it finds a free port and keeps the services' settings on it."""
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import unittest
import urllib.request
from pathlib import Path

from network import LINKED, SOURCE_DIR, Client, free_port, stop_process, wait_until, wire

READY = "The demo network is ready"


def processes_mentioning(text):
    """{pid: program name} of the running processes whose command line holds `text`."""
    listed = subprocess.run(["pgrep", "-a", "-f", text], capture_output=True, text=True).stdout.splitlines()
    return {int(line.split()[0]): os.path.basename(line.split()[1]) for line in listed}


class RunScriptTest(unittest.TestCase):
    def start_demo(self, data_dir, port):
        """Runs the script until its ready line; its output lines and the ready line's index."""
        self.web_port = free_port()
        # SIGINT as at a terminal, even when this test runs in the background where it is ignored.
        script = subprocess.Popen(["bash", str(SOURCE_DIR / "scripts" / "run.sh"), data_dir],
                                  env=dict(os.environ, NB_IRC_PORT=str(port), NB_WEB_PORT=str(self.web_port)), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                  preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        output = []
        reader = threading.Thread(target=lambda: output.extend(script.stdout), daemon=True)
        reader.start()
        self.addCleanup(reader.join, 5)
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in processes_mentioning(data_dir)])
        self.addCleanup(stop_process, script)
        self.describe = lambda: "--- run.sh output:\n" + "".join(output[-30:])
        # A start on a tree that was never built builds the program first.
        wait_until(lambda: any(READY in line for line in output) or script.poll() is not None, 240,
                   "the ready line", self.describe)
        lines = [line.rstrip("\n") for line in output]
        ready = next((index for index, line in enumerate(lines) if READY in line), None)
        # The services' own output (their link) came before the ready line.
        self.assertTrue(ready is not None and any(LINKED in line for line in lines[:ready]), self.describe())
        return script, lines, ready

    def stop_demo(self, script, data_dir):
        running = processes_mentioning(data_dir)
        self.assertTrue({"ngircd", "nimbral2"} <= set(running.values()), running)
        script.send_signal(signal.SIGINT)
        self.assertEqual(script.wait(20), 130, self.describe())
        wait_until(lambda: not processes_mentioning(data_dir), 5, "the demo's processes to end",
                   lambda: str(processes_mentioning(data_dir)))

    def test_the_demo_network_starts_on_a_free_port_answers_and_stops_on_ctrl_c(self):
        directory = tempfile.mkdtemp(prefix="nb-run-")
        self.addCleanup(shutil.rmtree, directory, ignore_errors=True)
        data_dir = os.path.join(directory, "data")  # every process of the demo names it
        # The port asked for is taken, as by Debian's own ngIRCd service.
        taken = socket.create_server(("127.0.0.1", 0))
        self.addCleanup(taken.close)
        asked = taken.getsockname()[1]
        script, lines, ready = self.start_demo(data_dir, asked)
        # Only the program was built.
        self.assertTrue(any("Built target nimbral2" in line for line in lines[:ready]), self.describe())
        self.assertFalse(any("nimbral_tests" in line for line in lines), self.describe())
        self.assertRegex(lines[ready], r"ready on port \d+ \(%d is in use\)" % asked)
        port = int(re.search(r"port (\d+)", lines[ready]).group(1))
        for part in ("127.0.0.1:%d" % port, "/msg NickServ help", "http://127.0.0.1:%d/" % self.web_port, "Ctrl-C"):
            self.assertIn(part, lines[ready])

        visitor = Client(port, "visitor", describe=self.describe)
        self.addCleanup(visitor.socket.close)
        # The script shipped the help texts into the new data directory.
        self.assertEqual(visitor.ask("NickServ", "help")[:1], [wire("*** ^BNickServ^B Help ***")])
        # The example bot came with the link and answers its triggers.
        start = len(visitor.lines)
        visitor.send("PRIVMSG Nimbot :hello")
        visitor.wait_for(re.escape(wire(":Hello, I am ^BNimbot^B.")), "the bot's answer", start)
        # The statistics pages are served on the port it named.
        with urllib.request.urlopen("http://127.0.0.1:%d/" % self.web_port, timeout=10) as page:
            self.assertIn(b"<TITLE>NBII - Webstats</TITLE>", page.read())
        self.stop_demo(script, data_dir)

        # Another port on the same data directory: the services follow the server there.
        port = free_port()
        script, lines, ready = self.start_demo(data_dir, port)
        self.assertIn("connect an IRC client to 127.0.0.1:%d " % port, lines[ready])
        self.assertIn("Port=%d\n" % port, Path(data_dir, "settings.ini").read_text())
        self.stop_demo(script, data_dir)

if __name__ == "__main__":
    unittest.main()
