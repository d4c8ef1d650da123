"""scripts/run.sh, the demo start: it builds the program, says when the network is ready, the
network and its example bot answer, a browser reads the statistics pages, and Ctrl-C leaves
nothing running."""
import os
import pathlib
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import unittest

from network import LINKED, SOURCE_DIR, Client, free_port, stop_process, wait_until, wire

READY = "The demo network is ready"


def processes_mentioning(text):
    """{pid: program name} of the running processes whose command line holds `text`."""
    listed = subprocess.run(["pgrep", "-a", "-f", text], capture_output=True, text=True).stdout.splitlines()
    return {int(line.split()[0]): os.path.basename(line.split()[1]) for line in listed}


class RunScriptTest(unittest.TestCase):
    def test_the_demo_network_starts_answers_and_stops_on_ctrl_c(self):
        directory = tempfile.mkdtemp(prefix="nb-run-")
        data_dir = os.path.join(directory, "data")  # every process of the demo names it
        port, web_port = free_port(), free_port()
        # SIGINT as at a terminal, even when this test runs in the background where it is ignored.
        script = subprocess.Popen(["bash", str(SOURCE_DIR / "scripts" / "run.sh"), data_dir],
                                  env=dict(os.environ, NB_IRC_PORT=str(port), NB_WEB_PORT=str(web_port)), stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                  preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        output = []
        reader = threading.Thread(target=lambda: output.extend(script.stdout), daemon=True)
        reader.start()
        self.addCleanup(shutil.rmtree, directory, ignore_errors=True)
        self.addCleanup(reader.join, 5)
        self.addCleanup(lambda: [os.kill(pid, signal.SIGKILL) for pid in processes_mentioning(data_dir)])
        self.addCleanup(stop_process, script)

        def describe():
            return "--- run.sh output:\n" + "".join(output[-30:])

        # A start on a tree that was never built builds the program first.
        wait_until(lambda: any(READY in line for line in output) or script.poll() is not None, 240,
                   "the ready line", describe)
        lines = [line.rstrip("\n") for line in output]
        ready = next((index for index, line in enumerate(lines) if READY in line), None)
        self.assertIsNotNone(ready, describe())
        # Only the program was built, and the services' own output (their link) came before the ready line.
        self.assertTrue(any("Built target nimbral2" in line for line in lines[:ready]), describe())
        self.assertFalse(any("nimbral_tests" in line for line in lines), describe())
        self.assertTrue(any(LINKED in line for line in lines[:ready]), describe())
        for part in ("127.0.0.1:%d" % port, "/msg NickServ help", "http://127.0.0.1:%d/" % web_port, "Ctrl-C"):
            self.assertIn(part, lines[ready])

        visitor = Client(port, "visitor", describe=describe)
        self.addCleanup(visitor.socket.close)
        # The script shipped the help texts into the new data directory.
        self.assertEqual(visitor.ask("NickServ", "help")[:1], [wire("*** ^BNickServ^B Help ***")])
        # The example bot came with the link and answers its triggers.
        start = len(visitor.lines)
        visitor.send("PRIVMSG Nimbot :hello")
        visitor.wait_for(re.escape(wire(":Hello, I am ^BNimbot^B.")), "the bot's answer", start)

        # A real browser follows the links between the four pages; its screenshots stay in the build folder.
        build = pathlib.Path(os.environ["NB_BINARY"]).parent
        (build / "screenshots").mkdir(exist_ok=True)
        browser = subprocess.run(["node", str(SOURCE_DIR / "tests/browser/statistics_pages.js"),
                                  "http://127.0.0.1:%d/" % web_port, str(build / "screenshots")],
                                 env=dict(os.environ, NODE_PATH=str(build / "browser/node_modules")),
                                 capture_output=True, text=True, timeout=90)
        self.assertEqual(browser.returncode, 0, browser.stdout + browser.stderr + describe())

        running = processes_mentioning(data_dir)
        self.assertTrue({"ngircd", "nimbral2"} <= set(running.values()), running)
        script.send_signal(signal.SIGINT)
        self.assertEqual(script.wait(20), 130, describe())
        wait_until(lambda: not processes_mentioning(data_dir), 5, "the demo's processes to end",
                   lambda: str(processes_mentioning(data_dir)))


if __name__ == "__main__":
    unittest.main()
