"""The services as the network sees them: their clients, OperServ's log channels, the server queries."""
import unittest

from network import LOG_CHANNELS, SERVER_NAME, SERVICE_NICKS, start_network
from replies import wire

REAL_NAMES = {"ChanServ": "Nimbral II 4.3 - ChanServ", "NickServ": "NickServ", "OperServ": "OperServ",
              "MemoServ": "MemoServ"}


class PresenceTest(unittest.TestCase):
    def setUp(self):
        self.network = start_network(self)

    def test_every_service_is_a_client_of_the_services_server_and_answers_squery(self):
        user = self.network.connect("visitor")
        service_line = self.network.ircd.service_whois_line
        for nick in SERVICE_NICKS:
            kinds = {event.type: event.args for event in user.whois(nick)}
            self.assertEqual(kinds.get("whoisuser"), [nick, nick, SERVER_NAME, "*", REAL_NAMES[nick]], nick)
            self.assertEqual(kinds.get("whoisserver", [None, None])[1], SERVER_NAME, nick)
            if service_line:
                self.assertEqual(kinds.get(service_line[0], [None, None])[1], service_line[1], nick)

        start = user.mark()
        user.send("SQUERY NickServ :info")
        user.wait_for_private("NickServ", "Syntax Error: /msg NickServ info <nick>", since=start)

    def test_operserv_holds_its_three_log_channels_closed(self):
        outsider = self.network.connect("outsider")
        for channel in LOG_CHANNELS:
            start = outsider.mark()
            outsider.connection.join(channel)
            outsider.wait_for(lambda e: e.type == "inviteonlychan" and e.args[:1] == [channel],
                              since=start, what="the refusal to join " + channel)

        # An IRC operator of the server may enter invite-only channels and sees what is inside.
        oper = self.network.connect_operator("oper")
        for channel in LOG_CHANNELS:
            self.assertIn("@OperServ", oper.join(channel), channel)
            start = oper.mark()
            oper.connection.mode(channel, "")
            modes = oper.wait_for(lambda e: e.type == "channelmodeis" and e.args[:1] == [channel],
                                  since=start, what="the modes of " + channel)
            self.assertEqual(sorted(modes.args[1]), sorted("+ints"), channel)
        channels = [event for event in oper.whois("OperServ") if event.type == "whoischannels"]
        self.assertEqual(len(channels), 1)
        self.assertEqual(sorted(channels[0].text.split()), sorted("@" + channel for channel in LOG_CHANNELS))

    def test_the_services_server_answers_version_stats_and_ping(self):
        user = self.network.connect("asker")
        start = user.mark()
        user.send("VERSION " + SERVER_NAME)
        user.send("STATS u " + SERVER_NAME)
        user.send("PING token-17 " + SERVER_NAME)
        pong = user.wait_for(lambda e: e.type == "pong", since=start, what="the PONG of the services")
        self.assertEqual((pong.nick, pong.args), (SERVER_NAME, ["token-17"]))

        version = [event.text for event in user.find(lambda e: e.type == "version", start)]
        self.assertEqual(len(version), 3, version)
        self.assertEqual(version[0], "Nimbral II v4.3")
        self.assertEqual(version[2], wire("Compile Information: ^B8/5/00 12:50 AM^B"))

        stats = user.find(lambda e: e.type == "statsuptime", start)
        self.assertEqual({event.nick for event in stats}, {SERVER_NAME})
        texts = [event.text for event in stats]
        self.assertEqual(len(texts), 6, texts)
        self.assertEqual([texts[0], texts[1], texts[4], texts[5]],
                         ["-----", wire("^BNimbral II^B Current Uptime:"), "End of /STATS report", "-----"])
        self.assertRegex(texts[2], r"^\x020\x02 hours, \x020\x02 minutes, and \x02\d{1,2}\x02 seconds\.$")
        self.assertRegex(texts[3], r"^\x02Services Connected On\x02: \x02\d{1,2}:\d\d:\d\d [AP]M\x02"
                                   r" on \x02\d{1,2}/\d{1,2}/\d{4}\x02$")


if __name__ == "__main__":
    unittest.main()
