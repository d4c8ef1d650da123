"""ChanServ as real IRC users meet it: a registered channel, its access list, and what the
server shows the members when they enter, change the topic or the modes."""
import unittest

from network import start_network
from replies import expected, wire

CHANNEL = "#garden"


def is_mode(event, setter, modes, *targets):
    return (event.type == "mode" and event.target == CHANNEL and event.nick == setter
            and event.args == [modes, *targets])


class ChanServTest(unittest.TestCase):
    def setUp(self):
        self.network = start_network(self)

    def register_garden(self):
        """The founder registers the channel he sits in; ChanServ joins and takes operator status."""
        founder = self.network.connect_registered("founder")
        founder.join(CHANNEL)
        start = founder.mark()
        self.assertEqual(founder.ask("ChanServ", "register %s garden-pw founder@example.org Roses and rue" % CHANNEL),
                         expected("You have successfully registered ^B%s^B." % CHANNEL,
                                  "Your password is ^Bgarden-pw^B which is CaSE seNsItIVE."))
        founder.wait_for(lambda e: e.type == "join" and e.nick == "ChanServ" and e.target == CHANNEL, since=start,
                         what="ChanServ joining " + CHANNEL)
        founder.wait_for(lambda e: e.type == "mode" and e.target == CHANNEL and e.args[:2] == ["+o", "ChanServ"],
                         since=start, what="ChanServ given operator status")
        return founder

    def test_members_are_opped_voiced_or_banned_by_their_level_and_greeted(self):
        founder = self.register_garden()
        oppy, voicey, banned = (self.network.connect_registered(nick) for nick in ("oppy", "voicey", "banned"))
        self.assertEqual(founder.ask("ChanServ", "access %s add oppy" % CHANNEL),
                         expected("^Boppy^B was added to ^B%s^B at level ^B200^B." % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "access %s add voicey 150" % CHANNEL),
                         expected("^Bvoicey^B was added to ^B%s^B at level ^B150^B." % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "access %s add banned 1" % CHANNEL),
                         expected("^Bbanned^B was added to ^B%s^B at level ^B1^B." % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "set %s greet Mind the roses" % CHANNEL),
                         expected("Greeting in ^B%s^B has been changed to: Mind the roses" % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "set %s autogreet on" % CHANNEL),
                         expected("Autogreet in ^B%s^B has been turned ^Bon^B!" % CHANNEL))

        start = founder.mark()
        greeted = oppy.mark()
        oppy.join(CHANNEL)
        founder.wait_for(lambda e: e.type == "mode" and e.target == CHANNEL and e.args == ["+o", "oppy"],
                         since=start, what="oppy opped")
        oppy.wait_for_private("ChanServ", wire("[^B%s^B] Mind the roses" % CHANNEL), since=greeted)

        voicey.join(CHANNEL)
        founder.wait_for(lambda e: e.type == "mode" and e.target == CHANNEL and e.args == ["+v", "voicey"],
                         since=start, what="voicey voiced")

        kicked = banned.mark()
        banned.connection.join(CHANNEL)
        banned.wait_for(lambda e: e.type == "kick" and e.target == CHANNEL and e.args[:1] == ["banned"]
                        and e.text == "You are not permitted to be in this channel!", since=kicked,
                        what="banned kicked")
        founder.wait_for(lambda e: e.type == "mode" and e.target == CHANNEL and e.args[0] == "+b"
                         and e.args[1].endswith("@127.0.0.*"), since=start, what="the ban")
        # The ban holds: the server itself refuses the next try.
        again = banned.mark()
        banned.connection.join(CHANNEL)
        banned.wait_for(lambda e: e.type == "bannedfromchan", since=again, what="the server refusing banned")

    def test_the_locks_and_chanserv_keep_their_channel_as_set(self):
        founder = self.register_garden()
        self.assertEqual(founder.ask("ChanServ", "set %s topic Roses and rue" % CHANNEL),
                         expected("The topic in ^B%s^B is now set to: ^BRoses and rue^B" % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "set %s tlock on" % CHANNEL),
                         expected("Topiclock in ^B%s^B has been turned ^Bon^B!" % CHANNEL))
        start = founder.mark()
        founder.send("TOPIC %s :Weeds" % CHANNEL)
        founder.wait_for(lambda e: e.type == "topic" and e.nick == "ChanServ" and e.text == "Roses and rue",
                         since=start, what="the locked topic put back")

        self.assertEqual(founder.ask("ChanServ", "set %s mode ntm" % CHANNEL),
                         expected("The mode in ^B%s^B is now set to: ^Bntm^B" % CHANNEL))
        self.assertEqual(founder.ask("ChanServ", "set %s mlock on" % CHANNEL),
                         expected("Modelock in ^B%s^B has been turned ^Bon^B!" % CHANNEL))
        start = founder.mark()
        founder.send("MODE %s -m" % CHANNEL)
        # The server shows what changed, in its own order of letters.
        founder.wait_for(lambda e: e.type == "mode" and e.nick == "ChanServ" and e.args[:1]
                         and e.args[0].startswith("+") and "m" in e.args[0], since=start,
                         what="the locked modes put back")

        # Whoever takes ChanServ's operator status loses his own, and ChanServ has it again.
        start = founder.mark()
        founder.send("MODE %s -o ChanServ" % CHANNEL)
        founder.wait_for(lambda e: is_mode(e, "ChanServ", "+o", "ChanServ"), since=start, what="ChanServ re-opped")
        founder.wait_for(lambda e: is_mode(e, "ChanServ", "-o", "founder"), since=start, what="the setter deopped")

    def test_after_a_restart_chanserv_is_back_and_the_access_list_holds(self):
        founder = self.register_garden()
        self.network.connect_registered("oppy")
        self.assertEqual(founder.ask("ChanServ", "access %s add oppy 250" % CHANNEL),
                         expected("^Boppy^B was added to ^B%s^B at level ^B250^B." % CHANNEL))
        start = founder.mark()
        self.network.restart_services()
        founder.wait_for(lambda e: e.type == "join" and e.nick == "ChanServ" and e.target == CHANNEL, since=start,
                         what="ChanServ back in " + CHANNEL)
        founder.wait_for(lambda e: e.type == "mode" and e.target == CHANNEL and e.args[:2] == ["+o", "ChanServ"],
                         since=start, what="ChanServ opped again")
        # A new link: the founder identifies with NickServ again before he may see the list.
        founder.ask("NickServ", "identify pw-founder")
        self.assertEqual(founder.ask("ChanServ", "access %s list" % CHANNEL),
                         expected("Access list for: ^B%s^B" % CHANNEL, "^Bfounder^B - ^B500^B", "^Boppy^B - ^B250^B"))


if __name__ == "__main__":
    unittest.main()
