"""The program as a host gets it: `cmake --install` into a temporary root, the installed program
on a new data directory with its own help texts, the systemd unit, and the Debian package."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from network import SOURCE_DIR, start_network, wire

BUILD_DIR = Path(os.environ.get("NB_BUILD_DIR") or SOURCE_DIR / "build")


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, check=True, timeout=120, **options).stdout


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="nb-install-"))
        cls.addClassCleanup(shutil.rmtree, cls.root, ignore_errors=True)
        run("cmake", "--install", str(BUILD_DIR), env=dict(os.environ, DESTDIR=str(cls.root)))
        cls.binary = cls.root / "usr/local/bin/nimbral2"

    def test_the_installed_program_tells_its_version_and_links_with_the_installed_help_texts(self):
        self.assertRegex(run(str(self.binary), "--version"), r"^nimbral2 \d+\.\d+ \(commit ([0-9a-f]{12}(-dirty)?|unknown)\)\n$")
        network = start_network(self, binary=str(self.binary))
        self.assertTrue((network.services.data_dir / "bots" / "example.nb2").is_file())
        self.assertEqual(network.connect("visitor").ask("NickServ", "help")[:1], [wire("*** ^BNickServ^B Help ***")])

    def test_systemd_accepts_the_unit(self):
        if not shutil.which("systemd-analyze"):
            self.skipTest("systemd-analyze is not installed (Debian package systemd)")
        text = (self.root / "usr/local/lib/systemd/system/nimbral2.service").read_text()
        # Checked where the unit finds the program in the temporary root (verify needs it there).
        unit = self.root / "nimbral2.service"
        unit.write_text(text.replace("ExecStart=/usr/local/bin/", "ExecStart=%s/" % self.binary.parent))
        checked = subprocess.run(["systemd-analyze", "verify", str(unit)], capture_output=True, text=True, timeout=60)
        self.assertEqual((checked.returncode, checked.stderr), (0, ""))

    def test_the_package_holds_the_program_its_files_the_unit_and_its_dependencies(self):
        run("cpack", "-G", "DEB", "-B", str(self.root / "packages"), cwd=BUILD_DIR)
        version = re.search(r'kVersion = "([0-9.]+)"', (SOURCE_DIR / "src/core/version.h").read_text()).group(1)
        package = str(self.root / "packages" / ("nimbral2_%s_%s.deb" % (version, run("dpkg", "--print-architecture").strip())))
        files = run("dpkg-deb", "-c", package)
        for path in ("bin/nimbral2", "share/nimbral2/help/nickserv/main.nb2", "share/nimbral2/bots/example.nb2",
                     "share/nimbral2/settings.ini.example", "lib/systemd/system/nimbral2.service"):
            self.assertIn(" ./usr/%s\n" % path, files)
        depends = run("dpkg-deb", "-f", package, "Depends")
        for dependency in ("libboost-program-options1.81.0", "libc6", "libstdc++6", "adduser"):
            self.assertIn(dependency, depends)
        run("dpkg-deb", "-e", package, str(self.root / "control"))
        for script in ("postinst", "prerm", "postrm"):
            run("sh", "-n", str(self.root / "control" / script))
        unit = run("sh", "-c", 'dpkg-deb --fsys-tarfile "$1" | tar -xO ./usr/lib/systemd/system/nimbral2.service', "-", package)
        self.assertIn("ExecStart=/usr/bin/nimbral2 --data-dir /var/lib/nimbral2\n", unit)


if __name__ == "__main__":
    unittest.main()
