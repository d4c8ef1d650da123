"""One case per service on a real ngIRCd with real clients: what proves it works on a real
server. What each command answers, byte for byte, is tested in-process."""
import re
import time
import unittest

from network import LINKED, start_network, wire

CHANNEL = "#garden"


def said(*texts):
    return [wire(text) for text in texts]


class NickServTest(unittest.TestCase):
    def test_registration_and_identification_and_a_restart_keeping_them(self):
        network = start_network(self)
        erin = network.connect_registered("erin")
        self.assertEqual(erin.ask("NickServ", "set email erin@example.org"), said("Email set to: ^Berin@example.org^B"))
        self.assertEqual(network.restart_services(), 0)
        # A new link: erin, still online, is recognised but identified no more.
        self.assertEqual(erin.ask("NickServ", "set age 30")[:1], said("^BError^B: Please identify with NickServ first."))
        self.assertEqual(erin.ask("NickServ", "identify pw-erin"), said("Hello ^Berin^B.  You have successfully identified."))
        self.assertIn(wire("Email address:^B erin@example.org^B"), erin.ask("NickServ", "info erin"))


class EnforcementTest(unittest.TestCase):
    def test_a_stranger_on_a_registered_nick_becomes_a_guest_after_a_minute(self):
        network = start_network(self)
        owner = network.connect("carol")
        owner.ask("NickServ", "register pw-carol")
        owner.leave()
        stranger = network.connect("carol", username="mallory")
        stranger.wait_for(r"^:NickServ!\S* NOTICE carol :This nick is registered\.$", "the warning")
        guest = stranger.wait_for(r"^:carol!\S* NICK :?Guest[1-9]{4}$", "the rename", timeout=75).split(":")[-1]
        # The services follow the rename: NickServ answers the Guest nick by its new name.
        self.assertEqual(stranger.ask("NickServ", "register guestpw")[:1], said("You successfully registered ^B%s^B!" % guest))


class MemoServTest(unittest.TestCase):
    def test_a_memo_reaches_its_recipient(self):
        network = start_network(self)
        joe = network.connect_registered("joe")
        bob = network.connect_registered("bob")
        self.assertEqual(joe.ask("MemoServ", "send bob Seeds came up"), said("You successfully sent ^Bbob^B a message!"))
        bob.wait_for(re.escape(wire(":You have a message waiting for you (just sent).")) + "$", "the memo notice")
        self.assertRegex(bob.ask("MemoServ", "read all")[0],
                         re.escape(wire("Message ^B#1^B from: ^Bjoe^B [^B")) + r".*\] Seeds came up$")


class ChanServTest(unittest.TestCase):
    def test_entry_status_and_the_topic_lock(self):
        network = start_network(self)
        founder = network.connect_registered("founder")
        founder.join(CHANNEL)
        founder.ask("ChanServ", "register %s garden-pw founder@example.org Roses" % CHANNEL)
        founder.wait_for(r" MODE %s \+o :?ChanServ$" % CHANNEL, "ChanServ opped")
        oppy = network.connect_registered("oppy")
        self.assertEqual(founder.ask("ChanServ", "access %s add oppy" % CHANNEL),
                         said("^Boppy^B was added to ^B%s^B at level ^B200^B." % CHANNEL))
        start = len(founder.lines)
        oppy.join(CHANNEL)
        founder.wait_for(r" MODE %s \+o :?oppy$" % CHANNEL, "oppy opped", start)

        founder.ask("ChanServ", "set %s topic Roses and rue" % CHANNEL)
        founder.ask("ChanServ", "set %s tlock on" % CHANNEL)
        start = len(founder.lines)
        founder.send("TOPIC %s :Weeds" % CHANNEL)
        # InspIRCd takes no user's topic until the second of the last change has passed.
        while " 437 " in founder.wait_for(r" 437 | TOPIC %s :Weeds$" % CHANNEL, "the topic change", start):
            start = len(founder.lines)
            time.sleep(0.5)
            founder.send("TOPIC %s :Weeds" % CHANNEL)
        founder.wait_for(r"^:ChanServ!\S* TOPIC %s :Roses and rue$" % CHANNEL, "the locked topic put back", start)


class OperServTest(unittest.TestCase):
    def servers_seen_by(self, client):
        start = len(client.lines)
        client.send("LINKS")
        client.wait_for(r"^\S+ 365 ", "the end of LINKS", start)
        return [line.split()[3] for line in client.lines[start:] if line.split()[1] == "364"]

    def test_an_operator_logs_in_and_acts_on_the_network(self):
        network = start_network(self)
        boss = network.connect_registered("boss")
        # What the console's operation writes for an operator with these hosts.
        (network.services.data_dir / "OperServ/OperServ.nb2").write_text("boss bosspw *!*@127.0.0.1 x x 500\r\n")
        network.restart_services()
        boss.ask("NickServ", "identify pw-boss")
        start = len(boss.lines)
        self.assertEqual(boss.ask("OperServ", "login bosspw")[0],
                         wire("You have logged in successfully!  Your access level is set to ^B500^B"))
        boss.wait_for(r" INVITE boss :?#NBII$", "the last invitation", start)

        victim = network.connect("victim")
        boss.ask("OperServ", "kill victim go away")
        victim.wait_for(None, "the kill")

        boss.ask("OperServ", "jupe add juped.example")
        self.assertIn("juped.example", self.servers_seen_by(boss))
        boss.ask("OperServ", "jupe del juped.example")
        self.assertNotIn("juped.example", self.servers_seen_by(boss))


class LongLinesTest(unittest.TestCase):
    def test_long_answers_and_greets_leave_the_link_up(self):
        network = start_network(self)
        answers = network.connect("asker").ask("NickServ", "info " + "x" * 480)
        self.assertGreater(len(answers), 1)
        self.assertEqual("".join(answers).replace("\x02", ""), "x" * 480 + " is not registered.")

        founder = network.connect_registered("founder")
        founder.ask("ChanServ", "register #long long-pw founder@example.org Long greet")
        # A greet this long is refused by the command, but may come from an older file.
        channels = network.services.data_dir / "ChanServ/ChanServ.nb2"
        network.restart_services(lambda: channels.write_text(
            re.sub(r"\{Not set!\} (\S+) (\d) (\d) \d", r"{%s} \1 \2 \3 1" % ("g" * 470), channels.read_text())))
        visitor = network.connect("v" * 30)
        start = len(visitor.lines)
        visitor.join("#long")
        visitor.wait_for(r"^:ChanServ!.*g{10}$", "the greet", start)
        # Split at the blank after the channel: nothing but that blank is lost.
        self.assertEqual("".join(visitor.texts("ChanServ", start)).replace("\x02", "").replace(" ", ""), "[#long]" + "g" * 470)
        self.assertEqual(visitor.ask("NickServ", "info nobody"), said("^Bnobody^B is not registered."))
        self.assertEqual(network.services.output().count(LINKED), 2, network.describe())


if __name__ == "__main__":
    unittest.main()
