"""The ngIRCd adapter: a private ngIRCd in the foreground, configured by
scripts/ngircd-config.sh, and what ngIRCd does in its own way where the scenarios look."""
import os
import shutil
import subprocess
from pathlib import Path

from processes import free_port, read_text, stop_process, wait_listening

# Debian installs the server under /usr/sbin, which a plain user's PATH may lack.
NGIRCD = shutil.which("ngircd") or "/usr/sbin/ngircd"
START_TIMEOUT = 15.0


class NgircdServer:
    protocol = "ngircd"  # the services' Protocol= for this server
    name = "irc.localhost"  # set by the configuration script
    # How the server's keep-alive PING to the services reads.
    ping_line = r"(:irc\.localhost )?PING :irc\.localhost"
    # The ERROR text with which the server closes a link that gave a wrong password, and the
    # log lines it writes each time (both must be there).
    bad_password_error = "Bad password"
    bad_password_log_lines = (r'Got bad password from server "services\.localhost"',
                              r"Shutting down connection \d+ \(Bad password\)")
    timeout_log_line = r"(?im)^.*timeout.*$"
    # What WHOIS adds for the services' clients (the configuration's ServiceMask makes them services).
    service_whois_line = ("310", "is an IRC service")
    # How the server passes on what users did: it marks a username that no ident lookup checked,
    # puts a user's own quit reason in quotes, and closes a killed user's connection with the
    # bare reason of the KILL.
    username_format = "~%s"
    quit_reason_format = '"%s"'
    kill_error_format = "%s"
    # Sending the network to a new link, its NJOIN lists a channel's newest member first.
    burst_lists_newest_member_first = True

    def __init__(self, directory, source_dir, link_password, services_name, operator,
                 ping_timeout=None, pong_timeout=None):
        """ping_timeout: seconds of quiet before the server pings a connection;
        pong_timeout: seconds it then waits for the answer before dropping it."""
        self.source_dir = Path(source_dir)
        self.config = Path(directory) / "ngircd.conf"
        self.log_file = Path(directory) / "ngircd.log"
        self.link_password = link_password
        self.services_name = services_name
        self.operator = operator
        self.ping_timeout = ping_timeout
        self.pong_timeout = pong_timeout
        self.port = None
        self.process = None

    def start(self):
        # A port found free can be taken before ngIRCd binds it; then another one is tried.
        for _ in range(3):
            self.port = free_port()
            self._write_config()
            if self._run():
                return
        raise AssertionError("ngIRCd did not start:\n" + self.log())

    def restart(self):
        """Stops the server and starts it again on the same port."""
        self.stop()
        if not self._run():
            raise AssertionError("ngIRCd did not start again:\n" + self.log())

    def stop(self):
        return stop_process(self.process, 5)

    def log(self):
        return read_text(self.log_file)

    def _write_config(self):
        arguments = [str(self.source_dir / "scripts" / "ngircd-config.sh"), str(self.config), str(self.port),
                     self.link_password, self.services_name]
        if self.ping_timeout is not None:
            arguments.append(str(self.ping_timeout))
        environment = dict(os.environ, NGIRCD_OPERATOR="%s:%s" % self.operator)
        if self.pong_timeout is not None:
            environment["NGIRCD_PONG_TIMEOUT"] = str(self.pong_timeout)
        subprocess.run(["bash"] + arguments, check=True, env=environment)

    def _run(self):
        with open(self.log_file, "ab") as log:
            self.process = subprocess.Popen([NGIRCD, "-n", "-f", str(self.config)],
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        if wait_listening(self.process, self.port, START_TIMEOUT):
            return True
        stop_process(self.process, 2)
        return False
