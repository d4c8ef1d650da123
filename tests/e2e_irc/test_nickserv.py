"""NickServ as real IRC users meet it."""
import re
import unittest

from network import LINKED, start_network
from replies import DATE, expected, wire

WARNINGS = ["This nick is registered.",
            "You have 60 seconds to identify or change your nick before your nick is changed.  "
            "If this is your nick, please identify."]
NOT_IDENTIFIED = [wire("^BError^B: Please identify with NickServ first."),
                  wire("^BSyntax^B: /msg NickServ ident <^Bpassword^B>")]


class NickServTest(unittest.TestCase):
    def setUp(self):
        self.network = start_network(self)

    def assertInfo(self, asker, nick, email, realname, url, age, quit_message=""):
        answers = asker.ask("NickServ", "info " + nick)
        self.assertEqual(len(answers), 9, answers)
        self.assertEqual(answers[0], wire("Information on:^B %s^B" % nick))
        self.assertRegex(answers[1], "^Registered on:\x02 %s\x02$" % DATE)
        self.assertRegex(answers[2], "^Last seen on:\x02 %s\x02$" % DATE)
        self.assertEqual(answers[3:], expected("Last quit message:^B %s^B" % quit_message, "-------------------",
                                               "Email address:^B %s^B" % email, "Real name:^B %s^B" % realname,
                                               "URL:^B %s^B" % url, "Age:^B %s^B" % age))

    def test_register_identify_set_info_access_and_chpass(self):
        alice = self.network.connect("alice")
        self.assertEqual(alice.ask("NickServ", "register abcd"),
                         ["That password is too short.  Please have it more than 4 characters."])
        self.assertEqual(alice.ask("NickServ", "register ALICE"),
                         ["Invalid password, please try another one to register."])
        self.assertEqual(alice.ask("NickServ", "register secret1"),
                         expected("You successfully registered ^Balice^B!",
                                  "Your password is ^Bsecret1^B, it is CaSE seNsItIVE."))
        self.assertEqual(alice.ask("NickServ", "register other1"),
                         expected("That nickname (^Balice^B) is currently registered.  Please try another nickname."))

        self.assertEqual(alice.ask("NickServ", "set age 33"), NOT_IDENTIFIED)
        self.assertEqual(alice.ask("NickServ", "identify Secret1"),
                         expected("^BError^B: Invalid password.  Please try again."))
        self.assertEqual(alice.ask("NickServ", "ident secret1"),
                         expected("Hello ^Balice^B.  You have successfully identified."))

        self.assertEqual(alice.ask("NickServ", "set realname Alice Liddell"),
                         expected("Realname set to: ^BAlice Liddell^B"))
        self.assertEqual(alice.ask("NickServ", "SET URL http://alice.example.org/rabbit"),
                         expected("URL set to: ^Bhttp://alice.example.org/rabbit^B"))
        self.assertEqual(alice.ask("NickServ", "set email alice@example.org"),
                         expected("Email set to: ^Balice@example.org^B"))
        self.assertEqual(alice.ask("NickServ", "set age 7"), expected("Age set to: ^B7^B"))
        self.assertEqual(alice.ask("NickServ", "set email a]b"),
                         expected("^BError^B: Email cannot contain ^B]^B."))
        # The reach decides how every later answer travels, the confirmation included.
        self.assertEqual(alice.ask("NickServ", "set reach privmsg", reach="PRIVMSG"),
                         expected("Reach set to: ^Bprivmsg^B"))
        self.assertEqual(alice.ask("NickServ", "set colour red", reach="PRIVMSG"),
                         expected("^BError^B: AGE/URL/REALNAME/EMAIL/REACH"))
        self.assertEqual(alice.ask("NickServ", "set reach notice"), expected("Reach set to: ^Bnotice^B"))

        # Registering took the address the user came from for all three slots.
        self.assertEqual(alice.ask("NickServ", "access list"),
                         expected("Access list for: ^Balice^B", "Slot #1: ^B*alice@127.0.0.*^B",
                                  "Slot #2: ^B*alice@127.0.0.*^B", "Slot #3: ^B*alice@127.0.0.*^B"))
        self.assertEqual(alice.ask("NickServ", "access add 2 *alice@*.home.net"),
                         expected("Added: ^B*alice@*.home.net^B to slot ^B2^B",
                                  "Your nick (^Balice^B) was found on ^B0^B registered channels, and your hosts "
                                  "were updated."))
        self.assertEqual(alice.ask("NickServ", "access del 3 x"), expected("Removed the host from slot ^B3^B"))
        self.assertEqual(alice.ask("NickServ", "access add 4 *a@b"),
                         expected("Please select a host slot between ^B1 and 3^B"))
        self.assertEqual(alice.ask("NickServ", "access list"),
                         expected("Access list for: ^Balice^B", "Slot #1: ^B*alice@127.0.0.*^B",
                                  "Slot #2: ^B*alice@*.home.net^B", "Slot #3: ^B^B"))

        bob = self.network.connect("bob")
        self.assertEqual(bob.ask("NickServ", "access list"), NOT_IDENTIFIED)
        self.assertInfo(bob, "alice", "alice@example.org", "Alice Liddell", "http://alice.example.org/rabbit", "7")
        self.assertEqual(bob.ask("NickServ", "info nobody"), expected("^Bnobody^B is not registered."))

        self.assertEqual(alice.ask("NickServ", "chpass SECRET1 other"), expected("^BError^B: Invalid password."))
        self.assertEqual(alice.ask("NickServ", "chpass secret1 n3w-pass"),
                         expected("You have successfully changed your password to ^Bn3w-pass^B.  Remember, this "
                                  "is caSE seNTItiVE."))
        self.assertEqual(alice.ask("NickServ", "identify secret1"),
                         expected("^BError^B: Invalid password.  Please try again."))
        self.assertEqual(alice.ask("NickServ", "identify n3w-pass"),
                         expected("Hello ^Balice^B.  You have successfully identified."))

    def test_ghost_kills_the_holder_and_drop_ends_the_registration(self):
        joe = self.network.connect("joe")
        joe.ask("NickServ", "register pw-joe")
        ann = self.network.connect("ann")
        self.assertEqual(ann.ask("NickServ", "ghost joe"),
                         ["Syntax Error: /msg NickServ ghost <nick> <password>"])
        self.assertEqual(ann.ask("NickServ", "ghost JOE pw-JOE"), expected("Invalid password for ^BJOE^B."))
        self.assertEqual(ann.ask("NickServ", "ghost bob pw"), expected("^Bbob^B is not registered."))
        self.assertFalse(joe.has(lambda e: e.type in ("kill", "disconnect", "error")))

        self.assertEqual(ann.ask("NickServ", "ghost joe pw-joe"),
                         expected("Your ghost (^Bjoe^B) was successfully killed."))
        joe.wait_for(lambda e: e.type == "disconnect", what="joe's disconnection")
        # The server closes the victim's connection with the reason of the KILL.
        closing = joe.find(lambda e: e.type == "error")
        self.assertEqual([event.target for event in closing],
                         [self.network.ircd.kill_error_format % "Ghost command used by: ann"])

        # The nick is free on the network: ann takes it, and NickServ does not know her there.
        start = ann.mark()
        ann.connection.nick("joe")
        ann.wait_for(lambda e: e.type == "nick" and e.target == "joe", since=start, what="ann's change to joe")
        for text in WARNINGS:
            ann.wait_for_private("NickServ", text, since=start)
        self.assertEqual(ann.ask("NickServ", "drop pw-JOE"), expected("Invalid password for ^Bjoe^B!"))
        self.assertEqual(ann.ask("NickServ", "drop pw-joe"), expected("You have successfully dropped ^Bjoe^B."))
        self.assertEqual(ann.ask("NickServ", "info joe"), expected("^Bjoe^B is not registered."))
        self.assertEqual(ann.ask("NickServ", "register again1"),
                         expected("You successfully registered ^Bjoe^B!",
                                  "Your password is ^Bagain1^B, it is CaSE seNsItIVE."))

    def test_a_stranger_on_a_registered_nick_becomes_a_guest_after_a_minute(self):
        for owner_nick in ("dave", "carol"):
            owner = self.network.connect(owner_nick)
            owner.ask("NickServ", "register pw-" + owner_nick)
            owner.leave("back soon")

        # dave's stranger is the owner after all and identifies in time; carol's does not.
        dave = self.network.connect("dave", username="mallory")
        for text in WARNINGS:
            dave.wait_for_private("NickServ", text)
        carol = self.network.connect("carol", username="mallory")
        warned = [carol.wait_for_private("NickServ", text) for text in WARNINGS]
        self.assertEqual(carol.private_from("NickServ"), WARNINGS)
        self.assertEqual(dave.ask("NickServ", "identify pw-dave"),
                         expected("Hello ^Bdave^B.  You have successfully identified."))

        renamed = carol.wait_for(lambda e: e.type == "nick" and e.nick == "carol", timeout=75,
                                 what="the rename of carol")
        waited = renamed.at - warned[0].at
        self.assertGreater(waited, 58, "renamed after %.1f s" % waited)
        self.assertRegex(renamed.target, r"^Guest[1-9]{4}$")
        self.assertEqual(carol.nick, renamed.target)

        # The services follow the rename: NickServ answers the Guest nick by its new name.
        guest = carol.nick
        self.assertEqual(carol.ask("NickServ", "register guestpw"),
                         expected("You successfully registered ^B%s^B!" % guest,
                                  "Your password is ^Bguestpw^B, it is CaSE seNsItIVE."))
        # dave's deadline passed before carol's: identifying kept his nick.
        self.assertEqual(dave.nick, "dave")
        self.assertFalse(dave.has(lambda e: e.type == "nick"))
        self.assertEqual(carol.whois("carol")[0].type, "nosuchnick")

    def test_a_restart_on_the_same_data_keeps_every_registration(self):
        erin = self.network.connect_registered("erin")
        erin.ask("NickServ", "set email erin@example.org")
        gina = self.network.connect_registered("gina")
        gina.ask("NickServ", "set url http://gina.example.org")
        gina.leave("gone fishing")

        start = erin.mark()
        self.assertEqual(self.network.restart_services(), 0)
        self.assertEqual(self.network.services.output().count(LINKED), 2)

        # erin stayed on the network from her registered address: recognised, not warned,
        # and (a new link) no longer identified.
        self.assertEqual(erin.ask("NickServ", "set age 30"), NOT_IDENTIFIED)
        self.assertEqual(erin.ask("NickServ", "identify pw-erin"),
                         expected("Hello ^Berin^B.  You have successfully identified."))
        self.assertEqual(erin.ask("NickServ", "set age 30"), expected("Age set to: ^B30^B"))
        self.assertFalse(erin.has(lambda e: e.text in WARNINGS, start))

        self.assertInfo(erin, "gina", "none@not.entered", "N/A", "http://gina.example.org", "0",
                        quit_message=self.network.ircd.quit_reason_format % "gone fishing")
        self.assertInfo(erin, "erin", "erin@example.org", "N/A", "http://nimbral.example.org", "30")
        gina = self.network.connect("gina")
        self.assertEqual(gina.ask("NickServ", "identify pw-gina"),
                         expected("Hello ^Bgina^B.  You have successfully identified."))
        self.assertTrue(re.search(r"^gina pw-gina ", self.network.services.read("NickServ/NickServ.nb2"), re.M))


if __name__ == "__main__":
    unittest.main()
