"""The console's commands typed on the program's terminal (a pseudo-terminal here): backup,
restore with its question, and the link lines."""
import os
import pty
import re
import select
import shutil
import subprocess
import tempfile
import time
import unittest

from network import ServicesProgram, free_port, stop_process


class TerminalTest(unittest.TestCase):
    def test_backup_restore_and_linkconf_at_the_terminal(self):
        directory = tempfile.mkdtemp(prefix="nb-terminal-")
        self.addCleanup(shutil.rmtree, directory, ignore_errors=True)
        services = ServicesProgram(directory, free_port(), "ngircd", "link-pw", 30)  # nobody listens: it keeps trying
        master, slave = pty.openpty()
        process = subprocess.Popen([os.environ["NB_BINARY"], "--data-dir", str(services.data_dir)],
                                   stdin=slave, stdout=slave, stderr=slave, start_new_session=True)
        os.close(slave)
        self.addCleanup(os.close, master)
        self.addCleanup(stop_process, process)
        shown = []

        def expect(pattern, timeout=10):
            deadline = time.monotonic() + timeout
            while not re.search(pattern, "".join(shown)):
                self.assertLess(time.monotonic(), deadline, "waited for %r; the terminal shows:\n%s" % (pattern, "".join(shown)))
                if select.select([master], [], [], 0.1)[0]:
                    shown.append(os.read(master, 65536).decode(errors="replace"))
            text = "".join(shown)
            shown.clear()
            return text

        def type_line(line):
            os.write(master, (line + "\n").encode())

        expect(r"Type help for the console's commands\.")
        type_line("linkconf")
        self.assertIn("C:127.0.0.1:link-pw:services.localhost::30\r\r\n", expect(r"Copy/Paste above this line\."))
        type_line("backup")
        self.assertEqual(len(re.findall(r"\[backup\] \[[^\]]+\] \\\S+ saved!", expect(r"MemoServ\.nb2 saved!"))), 6)
        self.assertTrue(os.path.exists(services.data_dir / "backup" / "memoserv.bck"))
        type_line("restore")
        expect(r"continue\? \(y/N\) ")
        type_line("y")
        self.assertIn("[NBII - Restore] All files successfully restored.", expect(r"successfully restored\."))


if __name__ == "__main__":
    unittest.main()
