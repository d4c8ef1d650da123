"""A large database written straight into a data directory, in the services' own line layouts:
registered nicks with a quit message each, registered channels founded by those nicks, and
three access entries per channel. Each file is made in memory and written in one go."""
from pathlib import Path

SEEN = "12/6/2026 9:07:15 PM"
REGISTERED_ON = "12/6/2026"
# Access levels of a channel's three entries: its founder, an operator and a voice.
LEVELS = (500, 5, 3)


def nick_of(index):
    return "bn%07d" % index


def channel_of(index):
    return "#bc%07d" % index


def nick_line(nick):
    host = "*%s@*.example.org" % nick
    return "%s secret-%s %s %s %s [%s] {N/A} [none@not.entered] (http://nimbral.example.org) 0 True NOTICE %s\r\n" % (
        nick, nick, host, host, host, SEEN, SEEN)


def write_database(data_dir, nicks, channels):
    """Writes NickServ.nb2, Quit.nb2, ChanServ.nb2 and Access.nb2 under data_dir; channels
    need registered nicks for their founders and are left out without any. Returns the bytes
    written."""
    data_dir = Path(data_dir)
    names = [nick_of(index) for index in range(nicks)]
    files = {
        "NickServ/NickServ.nb2": "".join(map(nick_line, names)),
        "NickServ/Quit.nb2": "".join("%s Quit: gone for the night\r\n" % nick for nick in names),
        "ChanServ/ChanServ.nb2": "",
        "ChanServ/Access.nb2": "",
    }
    if nicks:
        channel_lines, access_lines = [], []
        for index in range(channels):
            channel = channel_of(index)
            founder = names[index % nicks]
            channel_lines.append("%s secret-%s %s none@not.entered (load channel) [] [] {} %s 0 0 0\r\n" % (
                channel, channel[1:], founder, REGISTERED_ON))
            for step, level in enumerate(LEVELS):
                nick = names[(index + step) % nicks]
                host = "*%s@*.example.org" % nick
                access_lines.append("%s %s %s %s %s %d\r\n" % (channel, nick, host, host, host, level))
        files["ChanServ/ChanServ.nb2"] = "".join(channel_lines)
        files["ChanServ/Access.nb2"] = "".join(access_lines)
    written = 0
    for name, text in files.items():
        path = data_dir / name
        path.parent.mkdir(parents=True, exist_ok=True)
        data = text.encode()
        path.write_bytes(data)
        written += len(data)
    return written
