"""The server link itself: kept alive through the server's pings, refused, dropped and retried."""
import re
import time
import unittest

from network import LINKED, SERVER_NAME, start_network
from replies import expected

ATTEMPT = "attempts to connect"


class LinkTest(unittest.TestCase):
    def test_the_link_stays_up_through_the_servers_ping_cycles(self):
        # The server pings a quiet link after 5 s and drops it 5 s after an unanswered PING.
        network = start_network(self, ping_timeout=5, pong_timeout=5)
        user = network.connect("pinger")
        received_ping = re.compile(r"(?m)^\[[^]]+\] %s\r?$" % network.ircd.ping_line)

        def pings():
            return len(received_ping.findall(network.services.read("debug.nb2")))

        first = pings()
        deadline = time.monotonic() + 40
        while pings() < first + 3:
            self.assertLess(time.monotonic(), deadline, "the server sent no three PINGs:\n" + network.describe())
            network.clients.pump(0.2)  # the user answers its own PINGs meanwhile

        self.assertEqual(network.services.output().count(LINKED), 1, network.services.output())
        self.assertNotIn(SERVER_NAME, "\n".join(re.findall(network.ircd.timeout_log_line, network.ircd.log())))
        self.assertEqual(user.ask("NickServ", "register pw-pinger"),
                         expected("You successfully registered ^Bpinger^B!",
                                  "Your password is ^Bpw-pinger^B, it is CaSE seNsItIVE."))

    def test_a_refused_link_is_reported_with_the_servers_reason_and_tried_again(self):
        network = start_network(self, services_password="not-the-password", reconnect_delay=2,
                                wait_for_link=False)
        services = network.services
        services.wait_for_output("trying again in 2 seconds")
        refused_at = time.monotonic()
        services.wait_for_output(ATTEMPT, count=2)
        retried_at = time.monotonic()
        services.wait_for_output("trying again in 2 seconds", count=2)

        # What the services print is the reason the server gave for closing the link.
        log = network.ircd.log()
        for line in network.ircd.bad_password_log_lines:
            self.assertGreaterEqual(len(re.findall(line, log)), 2, log)
        output = services.output()
        self.assertGreaterEqual(output.count("The server says: " + network.ircd.bad_password_error), 2, output)
        self.assertGreater(retried_at - refused_at, 1.5, output)

        user = network.connect("looker")
        self.assertEqual([event.type for event in user.whois("NickServ")][-1:], ["nosuchnick"])

    def test_a_lost_server_is_linked_again_when_it_comes_back(self):
        network = start_network(self)
        network.connect_registered("early")

        network.ircd.restart()
        network.wait_for_services(links=2, timeout=20)
        output = network.services.output()
        self.assertIn("lost", output)
        self.assertEqual(output.count(LINKED), 2, output)

        again = network.connect("early")
        self.assertEqual(again.ask("NickServ", "identify pw-early"),
                         expected("Hello ^Bearly^B.  You have successfully identified."))


if __name__ == "__main__":
    unittest.main()
