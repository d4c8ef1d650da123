"""The admin console in a real browser, on a real network: every panel's operation, and the
API's refusals without a session, from another site and after wrong passwords."""
import http.client
import json
import os
import re
import shutil
import socket
import subprocess
import threading
import time
import unittest
from pathlib import Path

from network import SOURCE_DIR, free_port, start_network, wire


def serve_versions(listener, versions):
    """An update server: each connection gets the next answer, then is closed."""
    for version in versions:
        connection, _ = listener.accept()
        connection.recv(4096)
        connection.sendall(b"HTTP/1.0 200 OK\r\n\r\nVOID " + version.encode() + b" ")
        connection.close()


class AdminConsoleTest(unittest.TestCase):
    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.admin_port, timeout=60)
        connection.request(method, path, body=json.dumps(body) if body is not None else None,
                           headers=dict({"Content-Type": "application/json"}, **(headers or {})))
        response = connection.getresponse()
        return response.status, response.read()

    def browser(self, phase):
        build = Path(os.environ["NB_BINARY"]).parent
        (build / "screenshots").mkdir(exist_ok=True)
        done = subprocess.run(["node", str(SOURCE_DIR / "tests/browser/admin_console.js"), phase,
                               "http://127.0.0.1:%d/" % self.admin_port, self.password, str(build / "screenshots"),
                               "http://127.0.0.1:%d/" % self.web_port],
                              env=dict(os.environ, NODE_PATH=str(build / "browser/node_modules")),
                              capture_output=True, text=True, timeout=240)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr + self.network.describe())

    def test_every_panel_and_the_refusals(self):
        listener = socket.create_server(("127.0.0.1", 0))
        self.addCleanup(listener.close)
        threading.Thread(target=serve_versions, args=(listener, ["4.4"]), daemon=True).start()
        self.admin_port, self.web_port = free_port(), free_port()
        self.network = network = start_network(self)
        self.password = re.search(r"The admin console's password is (\S+) \.", network.services.output()).group(1)
        keeper = network.connect_registered("keeper")

        def configure():
            settings = network.services.data_dir / "settings.ini"
            text = settings.read_text()
            for key, value in (("Admin Port", self.admin_port), ("Webserver Port", self.web_port),
                               ("Update Server", "127.0.0.1:%d" % listener.getsockname()[1])):
                text = re.sub(r"(?m)^%s=.*$" % key, "%s=%s" % (key, value), text)
            settings.write_text(text)
            shutil.copytree(SOURCE_DIR / "bots", network.services.data_dir / "bots", dirs_exist_ok=True)
        network.restart_services(configure)
        self.assertNotIn(self.password, (network.services.data_dir / "settings.ini").read_text())

        self.browser("before")
        self.assertIn("Your Email=admin@example.net", (network.services.data_dir / "settings.ini").read_text())
        keeper.ask("NickServ", "identify pw-keeper")  # the restart's new link forgot it
        keeper.ask("NickServ", "drop pw-keeper")
        self.assertEqual(keeper.ask("NickServ", "info keeper")[:1], [wire("^Bkeeper^B is not registered.")])
        self.browser("after")
        self.assertEqual(keeper.ask("NickServ", "info keeper")[:1], [wire("Information on:^B keeper^B")])
        start = len(keeper.lines)
        keeper.send("LINKS")
        keeper.wait_for(r" 364 \S+ juped\.example ", "the jupe in LINKS", start)

        # A memo to the operators (keeper, since the first phase) reaches none but them; one to
        # everyone reaches the others too.
        keeper.ask("NickServ", "identify pw-keeper")
        other = network.connect_registered("other")
        connection = http.client.HTTPConnection("127.0.0.1", self.admin_port, timeout=60)
        connection.request("POST", "/api/login", json.dumps({"password": self.password}), {"Content-Type": "application/json"})
        session = {"Cookie": connection.getresponse().getheader("Set-Cookie").split(";")[0]}
        for op, text in (("memo-operators", "to the operators"), ("memo-all", "to everyone")):
            self.assertEqual(self.request("POST", "/api/op", {"op": op, "arg": text}, session)[0], 200)
        for user, texts in ((keeper, ["to the operators", "to everyone"]), (other, ["to everyone"])):
            memos = [memo for memo in user.ask("MemoServ", "read all") if memo.startswith("Message ")]
            self.assertEqual([memo.rsplit("] ", 1)[1] for memo in memos], texts, memos)

        self.assertEqual(self.request("GET", "/api/state")[0], 401)
        self.assertEqual(self.request("POST", "/api/login", {"password": self.password},
                                      {"Origin": "http://evil.example"})[0], 403)
        self.assertEqual(self.request("POST", "/api/op", {"op": "backup"}, {"Sec-Fetch-Site": "cross-site"})[0], 403)
        for _ in range(3):
            self.assertEqual(self.request("POST", "/api/login", {"password": "guess"})[0], 401)
        began, statuses = time.monotonic(), []
        fourth = threading.Thread(target=lambda: statuses.append(self.request("POST", "/api/login", {"password": "guess"})[0]))
        fourth.start()
        time.sleep(0.3)  # one login is checked at a time: another meanwhile is turned away
        self.assertEqual(self.request("POST", "/api/login", {"password": self.password})[0], 429)
        fourth.join()
        self.assertEqual(statuses, [401])
        self.assertGreaterEqual(time.monotonic() - began, 1.0)


if __name__ == "__main__":
    unittest.main()
