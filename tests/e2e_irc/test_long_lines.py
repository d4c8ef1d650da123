"""Long texts against a real server: the services' answers reach the users in lines the server
takes, and the link stays up."""
import re
import time
import unittest

from network import start_network
from services_program import LINKED

CHANNEL = "#long"


class LongLinesTest(unittest.TestCase):
    def setUp(self):
        self.network = start_network(self)

    def test_a_long_info_argument_and_a_long_greet_leave_the_link_up(self):
        asker = self.network.connect("asker")
        answers = asker.ask("NickServ", "info " + "x" * 480)
        self.assertGreater(len(answers), 1)
        self.assertEqual("".join(answers).replace("\x02", ""), "x" * 480 + " is not registered.")

        founder = self.network.connect_registered("founder")
        founder.ask("ChanServ", "register %s long-pw founder@example.org Long greet" % CHANNEL)
        # A greet this long is refused by the command, but may come from an older file.
        self.network.services.stop()
        channels = self.network.services.read("ChanServ/ChanServ.nb2")
        channels = re.sub(r"\{Not set!\} (\S+) (\d) (\d) \d", r"{%s} \1 \2 \3 1" % ("g" * 470), channels)
        (self.network.services.data_dir / "ChanServ/ChanServ.nb2").write_text(channels)
        self.network.services.start()
        self.network.wait_for_services(links=2)

        visitor = self.network.connect("v" * 30)
        start = visitor.mark()
        visitor.join(CHANNEL)
        visitor.wait_for(lambda e: e.nick == "ChanServ" and e.text.endswith("g" * 10), since=start,
                         what="the end of the greet")
        greet = "".join(visitor.private_from("ChanServ", since=start))
        # Split at the blank after the channel: nothing but that blank is lost.
        self.assertEqual(greet.replace("\x02", "").replace(" ", ""), "[%s]%s" % (CHANNEL, "g" * 470))
        time.sleep(1)
        self.assertEqual(self.network.services.output().count(LINKED), 2, self.network.describe())
        self.assertTrue(visitor.ask("NickServ", "info nobody"))


if __name__ == "__main__":
    unittest.main()
