"""MemoServ between real users, and the log channels as an IRC operator sees them."""
import re
import unittest

from network import PROBE_NICK, start_network
from replies import DATE, expected, wire

NET = "#nb.netinfo"
OPER = "#NBII"
# Every network event line starts with the time of day in bold.
TIME_PREFIX = re.compile(r"^\[\x02\d{1,2}:\d\d:\d\d [AP]M\x02\] ")


class MemoTest(unittest.TestCase):
    def setUp(self):
        self.network = start_network(self)

    def test_a_memo_reaches_its_recipient_now_or_when_recognised_later(self):
        joe = self.network.connect_registered("joe")
        bob = self.network.connect_registered("bob")
        ann = self.network.connect_registered("ann")
        ann.leave("later")

        start = bob.mark()
        self.assertEqual(joe.ask("MemoServ", "send bob Seeds came up  nicely"),
                         expected("You successfully sent ^Bbob^B a message!"))
        notices = ["You have a message waiting for you (just sent).", "Type: /msg MemoServ read all"]
        for text in notices:
            bob.wait_for_private("MemoServ", text, since=start)
        listed = bob.ask("MemoServ", "list")
        self.assertEqual(bob.private_from("MemoServ", start)[:3], notices + [listed[0]])
        self.assertEqual(len(listed), 2, listed)
        self.assertRegex(listed[0], "^Message \x02#1\x02 from: \x02joe\x02 \\[\x02%s\x02\\]$" % DATE)
        self.assertEqual(listed[1], wire("Listed ^B1^B messages."))
        sent_at = re.search(DATE, listed[0]).group(0)

        self.assertEqual(bob.ask("MemoServ", "read all"),
                         expected("Message ^B#1^B from: ^Bjoe^B [^B%s^B] Seeds came up  nicely" % sent_at,
                                  "Total number of messages: ^B1^B"))
        self.assertEqual(bob.ask("MemoServ", "read 1"),
                         expected("Message from: ^Bjoe^B [^B%s^B] Seeds came up  nicely" % sent_at))
        self.assertEqual(bob.ask("MemoServ", "read 2"), expected("^BError^B: You don't have a memo 2 or higher."))
        self.assertEqual(bob.ask("MemoServ", "del 1"), expected("You successfully deleted message number ^B1^B."))
        self.assertEqual(bob.ask("MemoServ", "list"), ["You currently do not have any messages."])
        self.assertEqual(self.network.services.read("MemoServ/MemoServ.nb2"), "")

        # ann is away: only the sender hears of it, and ann is told when she comes back from
        # her own address.
        joe_start = joe.mark()
        self.assertEqual(joe.ask("MemoServ", "send ann one"), expected("You successfully sent ^Bann^B a message!"))
        self.assertEqual(joe.ask("MemoServ", "send Ann two"), expected("You successfully sent ^BAnn^B a message!"))
        self.assertFalse(joe.has(lambda e: e.nick == "MemoServ" and "waiting" in e.text, joe_start))
        ann = self.network.connect("ann")
        ann.wait_for_private("MemoServ", wire("You currently have ^B2^B waiting to be read."))
        self.assertFalse(ann.has(lambda e: e.nick == "NickServ"))
        self.assertEqual(ann.ask("MemoServ", "read all"), expected("^BError^B: You must identify with NickServ!"))
        ann.ask("NickServ", "identify pw-ann")
        read = ann.ask("MemoServ", "read all")
        self.assertEqual(len(read), 3, read)
        self.assertRegex(read[0], "^Message \x02#1\x02 from: \x02joe\x02 \\[\x02%s\x02\\] one$" % DATE)
        self.assertRegex(read[1], "^Message \x02#2\x02 from: \x02joe\x02 \\[\x02%s\x02\\] two$" % DATE)
        self.assertEqual(read[2], wire("Total number of messages: ^B2^B"))


class LogChannelTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.network = start_network(self)
        self.ircd = self.network.ircd
        self.watcher = self.network.connect_operator("watcher")
        self.watcher.join(NET)
        self.watcher.join(OPER)
        # The watcher's own joins are logged too; the tests look at what comes after them.
        self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.target == NET and wire("^B%s^B" % OPER) in e.text,
                              what="the log line of the watcher's join")

    def connected(self, nick):
        return "^B%s^B (^B%s^B@^B127.0.0.1^B) connected to ^B%s^B." % (
            nick, self.ircd.username_format % nick, self.ircd.name)

    def left(self, nick, reason):
        return "^B%s^B has left IRC (^B%s^B)" % (nick, self.ircd.quit_reason_format % reason)

    def net_lines(self, since):
        """The network event lines since the mark, without their time and without the comings and
        goings of the harness's probe (it checks that the services are up after a restart)."""
        lines = self.watcher.channel_lines(NET, since, sender="OperServ")
        for line in lines:
            self.assertRegex(line, TIME_PREFIX)
        return [TIME_PREFIX.sub("", line) for line in lines if wire("^B%s^B" % PROBE_NICK) not in line]

    def wait_net(self, text, since):
        self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.target == NET and e.nick == "OperServ"
                              and TIME_PREFIX.sub("", e.text) == wire(text), since=since,
                              what="%r in %s" % (text, NET))

    def test_the_net_channel_follows_users_but_not_kicks(self):
        start = self.watcher.mark()
        walker = self.network.connect("walker")
        self.wait_net(self.connected("walker"), start)
        sitter = self.network.connect("sitter")
        self.wait_net(self.connected("sitter"), start)

        walker.join("#garden")
        self.wait_net("^B#garden^B has been created by ^Bwalker^B.", start)
        sitter.join("#garden")
        self.wait_net("^Bsitter^B joined ^B#garden^B.", start)
        walker.connection.topic("#garden", "Roses and rue")
        self.wait_net("^Bwalker^B changed ^B#garden's^B topic to: ^BRoses and rue^B", start)
        walker.connection.mode("#garden", "+o sitter")
        walker.connection.mode("#garden", "+m")
        self.wait_net("^Bwalker^B changed ^B#garden's^B modes to: ^B+m ^B", start)
        walker.connection.mode("#garden", "+l 10")
        self.wait_net("^Bwalker^B changed ^B#garden's^B modes to: ^B+l 10^B", start)
        walker.connection.kick("#garden", "sitter", "out you go")
        sitter.wait_for(lambda e: e.type == "kick" and e.args[:1] == ["sitter"], what="sitter's kick")
        # Parting after the kick leaves the channel empty only if the kick was counted.
        walker.part("#garden", "done here")
        self.wait_net("^B#garden^B has become empty, removing it.", start)
        walker.connection.nick("rambler")
        self.wait_net("^Bwalker^B is now known as ^Brambler^B.", start)
        walker.quit("off home")
        self.wait_net(self.left("rambler", "off home"), start)

        self.assertEqual(self.net_lines(start), expected(
            self.connected("walker"),
            self.connected("sitter"),
            "^B#garden^B has been created by ^Bwalker^B.",
            "^Bsitter^B joined ^B#garden^B.",
            "^Bwalker^B changed ^B#garden's^B topic to: ^BRoses and rue^B",
            "^Bwalker^B changed ^B#garden's^B modes to: ^B+m ^B",
            "^Bwalker^B changed ^B#garden's^B modes to: ^B+l 10^B",
            "^Bwalker^B has parted ^B#garden^B.",
            "^B#garden^B has become empty, removing it.",
            "^Bwalker^B is now known as ^Brambler^B.",
            self.left("rambler", "off home")))

    def test_a_new_link_learns_the_channels_from_the_servers_burst(self):
        walker = self.network.connect("walker")
        walker.join("#garden")
        sitter = self.network.connect("sitter")
        sitter.join("#garden")
        self.wait_net("^Bsitter^B joined ^B#garden^B.", 0)

        start = self.watcher.mark()
        self.assertEqual(self.network.restart_services(), 0)
        # The burst is not told user by user: one line sums it up once the server has sent it.
        self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.target == NET and e.nick == "OperServ"
                              and "Network synchronised: " in e.text, since=start, what="the burst's summary")
        lines = self.net_lines(start)
        self.assertRegex(lines[0], "^Network synchronised: \x02\\d+\x02 users in \x02\\d+\x02 channels\\.$")
        self.assertEqual([line for line in lines if "#garden" in line], [], lines)

        # Both members are known again: only the second part empties the channel.
        after = self.watcher.mark()
        sitter.part("#garden", "later")
        self.wait_net("^Bsitter^B has parted ^B#garden^B.", after)
        walker.part("#garden", "later")
        self.wait_net("^B#garden^B has become empty, removing it.", after)
        self.assertEqual(self.net_lines(after), expected("^Bsitter^B has parted ^B#garden^B.",
                                                         "^Bwalker^B has parted ^B#garden^B.",
                                                         "^B#garden^B has become empty, removing it."))

    def test_service_commands_are_audited_in_the_bot_channel_without_secrets(self):
        self.watcher.join("#nb.botinfo")
        start = self.watcher.mark()
        user = self.network.connect("auditee")
        user.ask("NickServ", "register Hush-123")
        user.ask("NickServ", "identify Wrong-456")
        user.ask("NickServ", "identify Hush-123")
        user.ask("MemoServ", "send auditee private words")
        audit = wire("[^Bauditee^B] SEND auditee ****** [Success]")
        self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.nick == "MemoServ" and e.text == audit,
                              since=start, what="the audit line of the memo")

        said = [(event.nick, event.text) for event in self.watcher.find(
            lambda e: e.type == "pubmsg" and e.target == "#nb.botinfo", start)]
        self.assertEqual(said, [("NickServ", wire("[^Bauditee^B] REGISTER ****** [Success]")),
                                ("NickServ", wire("[^Bauditee^B] IDENT ****** [Failed (invalid password)]")),
                                ("NickServ", wire("[^Bauditee^B] IDENT ****** [Success]")),
                                ("MemoServ", audit)])
        for secret in ("Hush-123", "Wrong-456", "private words"):
            self.assertFalse(self.watcher.has(lambda e: secret in e.text, start), secret)

    def test_a_new_record_of_users_at_once_is_announced_to_operators(self):
        start = self.watcher.mark()
        # The services count their own four clients with the users: the watcher and one more
        # make six.
        crowd1 = self.network.connect("crowd1")
        self.watcher.wait_for_channel_line(OPER, wire("Max Users: ^B6^B users."), start)
        first = self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.target == OPER
                                      and e.text.startswith("Previous Record:"), since=start,
                                      what="the previous record")
        self.assertRegex(first.text, "^Previous Record: \x025\x02 users \\(\x02%s\x02\\)$" % DATE)

        crowd1.quit("bye")
        self.wait_net(self.left("crowd1", "bye"), start)
        after_quit = self.watcher.mark()
        crowd2 = self.network.connect("crowd2")
        crowd2.join("#fence")
        self.wait_net("^B#fence^B has been created by ^Bcrowd2^B.", after_quit)
        # Six again is no record: nothing reached the operator channel before the fence line.
        self.assertEqual(self.watcher.channel_lines(OPER, after_quit), [])

        self.network.connect("crowd3")
        second = self.watcher.wait_for(lambda e: e.type == "pubmsg" and e.target == OPER
                                       and e.text.startswith("Previous Record:"), since=after_quit,
                                       what="the second record")
        self.assertEqual(self.watcher.channel_lines(OPER, after_quit),
                         [wire("Max Users: ^B7^B users."), second.text])
        self.assertRegex(second.text, "^Previous Record: \x026\x02 users \\(\x02%s\x02\\)$" % DATE)
        self.assertRegex(self.network.services.read("settings.ini"), r"(?m)^Max Users=7\r?$")


if __name__ == "__main__":
    unittest.main()
