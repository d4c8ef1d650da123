"""The server link itself: kept alive through ngIRCd's pings, refused, dropped and retried."""
import re
import time
import unittest

from client import wire
from network import LINKED, start_network

ATTEMPT = "attempts to connect"


class LinkTest(unittest.TestCase):
    def test_the_link_stays_up_through_the_servers_ping_cycles(self):
        # ngIRCd pings a quiet link after 5 s and drops it 5 s after an unanswered PING.
        network = start_network(self, ping_timeout=5, pong_timeout=5)
        user = network.connect("pinger", username="pinger")

        def pings():
            return len(re.findall(r"(?m)^\[[^]]+\] (:irc\.localhost )?PING :irc\.localhost\r?$",
                                  network.services.read("debug.nb2")))

        first = pings()
        deadline = time.monotonic() + 40
        while pings() < first + 3:
            self.assertLess(time.monotonic(), deadline, "ngIRCd sent no three PINGs:\n" + network.describe())
            network.clients.pump(0.2)  # the user answers its own PINGs meanwhile

        self.assertEqual(network.services.output().count(LINKED), 1, network.services.output())
        self.assertNotIn("services.localhost", "\n".join(
            line for line in network.ircd.log().splitlines() if "timeout" in line.lower()))
        self.assertEqual(user.ask("NickServ", "register pw-pinger"),
                         [wire("You successfully registered ^Bpinger^B!"),
                          wire("Your password is ^Bpw-pinger^B, it is CaSE seNsItIVE.")])

    def test_a_refused_link_is_reported_with_the_servers_reason_and_tried_again(self):
        network = start_network(self, services_password="not-the-password", reconnect_delay=2,
                                wait_for_link=False)
        services = network.services
        services.wait_for_output("trying again in 2 seconds")
        refused_at = time.monotonic()
        services.wait_for_output(ATTEMPT, count=2)
        retried_at = time.monotonic()
        services.wait_for_output("trying again in 2 seconds", count=2)

        # What the services print is the reason ngIRCd gave for closing the link.
        log = network.ircd.log()
        self.assertGreaterEqual(log.count('Got bad password from server "services.localhost"'), 2, log)
        self.assertGreaterEqual(len(re.findall(r"Shutting down connection \d+ \(Bad password\)", log)), 2, log)
        output = services.output()
        self.assertGreaterEqual(output.count("The server says: Bad password"), 2, output)
        self.assertGreater(retried_at - refused_at, 1.5, output)

        user = network.connect("looker")
        self.assertEqual([event.type for event in user.whois("NickServ")][-1:], ["nosuchnick"])

    def test_a_lost_server_is_linked_again_when_it_comes_back(self):
        network = start_network(self)
        user = network.connect("early", username="early")
        user.ask("NickServ", "register pw-early")

        network.ircd.restart()
        network.services.wait_for_output(LINKED, count=2, timeout=20)
        network.wait_for_services()
        self.assertIn("lost", network.services.output())

        again = network.connect("early", username="early")
        self.assertEqual(again.ask("NickServ", "identify pw-early"),
                         [wire("Hello ^Bearly^B.  You have successfully identified.")])


if __name__ == "__main__":
    unittest.main()
