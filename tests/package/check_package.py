#!/usr/bin/env python3
"""Builds the Debian package from a finished build and checks what a family's machine gets.

    check_package.py BUILD_DIR VERSION

The package is made by CPack into a private folder and taken apart there: its file list, its
control data, Lintian's verdict, the desktop entries, the guard's unit, bus policy and activation
file as the system's own tools read them, and the autostart entry's choice of sessions.
"""
import grp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from xml.etree import ElementTree

BUILD = ""
VERSION = ""

LIB = "usr/lib/pemblo"
# Every file a family needs, at its path: (path, what it is).
EXPECTED = [
    (f"{LIB}/Pemblo/Pemblo", "program"),
    (f"{LIB}/Pemblo/pemblo-lock", "program"),
    (f"{LIB}/Pemblo/pemblo-config", "program"),
    (f"{LIB}/Pemblo/pemblo-guard", "program"),
    (f"{LIB}/Pemblo/pemblo-pam-check", "program"),
    (f"{LIB}/Pemblo/pemblo-autostart", "program"),
    (f"{LIB}/Pemblo/libPembloManage.so", "library"),
    (f"{LIB}/Pemblo/libPenalta.so", "library"),
    (f"{LIB}/Pemblo/libQuillo.so", "library"),
    (f"{LIB}/Pemblo/MiniAppdata.mdb", "data"),
    (f"{LIB}/Pemblo/icons/jisuanqi.png", "data"),
    (f"{LIB}/PembloBrowser/PembloBrowser", "program"),
    (f"{LIB}/PembloBrowser/svwordcount", "program"),
    (f"{LIB}/PembloBrowser/libSVWordTree.so", "library"),
    (f"{LIB}/PembloBrowser/error.jpg", "data"),
    (f"{LIB}/PembloExternal/PembloExternal", "program"),
    ("usr/bin/pemblo", "command"),
    ("usr/bin/pemblo-browser", "command"),
    ("usr/bin/pemblo-config", "command"),
    ("usr/bin/svwordcount", "command"),
    ("usr/bin/pemblo-guard", "command"),
    ("usr/share/applications/pemblo.desktop", "data"),
    ("usr/share/applications/pemblobrowser.desktop", "data"),
    ("usr/share/applications/pembloexternal.desktop", "data"),
    ("usr/share/icons/hicolor/scalable/apps/pemblo.svg", "data"),
    ("usr/share/icons/hicolor/scalable/apps/pemblobrowser.svg", "data"),
    ("usr/share/icons/hicolor/scalable/apps/pembloexternal.svg", "data"),
    ("etc/xdg/autostart/pemblo.desktop", "data"),
    ("lib/systemd/system/pemblo-guard.service", "data"),
    ("usr/share/dbus-1/system.d/org.pemblo.Guard.conf", "data"),
    ("usr/share/dbus-1/system-services/org.pemblo.Guard.service", "data"),
    ("usr/share/pam-configs/pemblo", "data"),
    ("usr/share/doc/pemblo/copyright", "data"),
    ("usr/share/doc/pemblo/changelog.gz", "data"),
]
# The only folders the package may put files in; anything else is under a wrong root.
ALLOWED_ROOTS = [
    f"{LIB}/", "usr/bin/", "usr/share/applications/", "usr/share/icons/hicolor/",
    "usr/share/dbus-1/system.d/", "usr/share/dbus-1/system-services/", "usr/share/pam-configs/",
    "usr/share/doc/pemblo/", "etc/xdg/autostart/", "lib/systemd/system/",
]


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="pemblo-package-")
        made = run(["cpack", "-G", "DEB", "-B", cls.work, "--config", os.path.join(BUILD, "CPackConfig.cmake")],
                   cwd=BUILD)
        if made.returncode != 0:
            raise AssertionError("cpack failed:\n" + made.stdout + made.stderr)
        cls.deb = os.path.join(cls.work, f"pemblo_{VERSION}_amd64.deb")
        if not os.path.isfile(cls.deb):
            raise AssertionError(f"no {os.path.basename(cls.deb)} in {os.listdir(cls.work)}")
        # The unpacked tree sits on a copy of the system's units, so systemd finds the targets
        # the guard's unit names.
        cls.root = os.path.join(cls.work, "root")
        os.makedirs(os.path.join(cls.root, "lib/systemd"))
        shutil.copytree("/lib/systemd/system", os.path.join(cls.root, "lib/systemd/system"), symlinks=True)
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)
        cls.entries = {}
        listing = run(["dpkg-deb", "-c", cls.deb]).stdout
        for line in listing.splitlines():
            mode, _owner, _size, _date, _time, rest = line.split(None, 5)
            path, _, target = rest.partition(" -> ")
            cls.entries[path.removeprefix("./").rstrip("/")] = (mode, target)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    def test_every_file_is_at_its_path_with_its_mode(self):
        for path, kind in EXPECTED:
            with self.subTest(path=path):
                self.assertTrue(path in self.entries, "missing")
                mode, target = self.entries[path]
                if kind == "program":
                    self.assertEqual(mode, "-rwxr-xr-x")
                elif kind == "library" or kind == "data":
                    self.assertEqual(mode, "-rw-r--r--")
                elif kind == "command":
                    self.assertTrue(mode.startswith("l"), mode)
                    # The link leads to a program of the package, relative to /usr/bin.
                    resolved = os.path.normpath(os.path.join(os.path.dirname(path), target))
                    self.assertEqual(self.entries.get(resolved, ("",))[0], "-rwxr-xr-x", resolved)

    def test_nothing_lands_under_a_wrong_root(self):
        for path, (mode, _target) in self.entries.items():
            if mode.startswith("d"):
                continue
            with self.subTest(path=path):
                self.assertTrue(any(path.startswith(root) for root in ALLOWED_ROOTS), path)

    def test_programs_find_their_libraries_in_place(self):
        for path, kind in EXPECTED:
            if kind not in ("program", "library"):
                continue
            with open(os.path.join(self.root, path), "rb") as file:
                if file.read(4) != b"\x7fELF":
                    continue
            with self.subTest(path=path):
                found = run(["ldd", os.path.join(self.root, path)]).stdout
                self.assertNotIn("not found", found)

    def test_control_names_the_package_its_needs_and_its_scripts(self):
        self.assertEqual(self.field("Package"), "pemblo")
        self.assertEqual(self.field("Version"), VERSION)
        self.assertEqual(self.field("Architecture"), "amd64")
        depends = self.field("Depends")
        # Found from the links, and the run-time pieces no link names.
        for needed in ["libqt6webenginecore6", "libsqlcipher0", "libacl1", "libqt6webenginecore6-bin",
                       "qt6-qpa-plugins", "fonts-wqy-zenhei", "xdg-utils", "dbus", "libpam-runtime"]:
            with self.subTest(depends=needed):
                self.assertRegex(depends, r"(^|, |\| )" + re.escape(needed) + r"( |,|$)")
        recommends = self.field("Recommends")
        for wanted in ["galculator", "mousepad"]:
            with self.subTest(recommends=wanted):
                self.assertIn(wanted, recommends)
        control = os.path.join(self.work, "control")
        subprocess.run(["dpkg-deb", "-e", self.deb, control], check=True)
        with open(os.path.join(control, "conffiles")) as conffiles:
            self.assertEqual(conffiles.read().split(), ["/etc/xdg/autostart/pemblo.desktop"])
        for script in ["postinst", "prerm", "postrm"]:
            with self.subTest(script=script):
                self.assertTrue(os.access(os.path.join(control, script), os.X_OK))
                checked = run(["sh", "-n", os.path.join(control, script)])
                self.assertEqual(checked.returncode, 0, checked.stderr)

    def test_an_upgrade_without_systemd_replaces_the_running_guard(self):
        # The package's postinst with every command it calls replaced by a stand-in that notes its
        # call; start-stop-daemon answers whether it found a guard to stop.
        control = os.path.join(self.work, "control-upgrade")
        subprocess.run(["dpkg-deb", "-e", self.deb, control], check=True)
        postinst = os.path.join(control, "postinst")
        command = ["/bin/sh", postinst]
        if os.path.isdir("/run/systemd/system"):
            if os.getuid() != 0:
                self.skipTest("hiding this machine's systemd needs root")
            # Named by their paths: the script's PATH holds only the stand-ins.
            command = ["/usr/bin/unshare", "--mount", "/bin/sh", "-c",
                       '/bin/mount -t tmpfs tmpfs /run/systemd && exec "$@"', "sh"] + command
        stubs = os.path.join(self.work, "stubs")
        os.makedirs(stubs, exist_ok=True)
        calls = os.path.join(self.work, "calls")
        names = ["getent", "groupadd", "install", "chown", "chmod", "pam-auth-update", "deb-systemd-helper",
                 "systemctl", "deb-systemd-invoke", "start-stop-daemon", "dbus-send"]
        for name in names:
            with open(os.path.join(stubs, name), "w") as stub:
                answer = "${STOPPED:-1}" if name == "start-stop-daemon" else "0"
                stub.write(f'#!/bin/sh\necho "{name} $*" >>"{calls}"\nexit {answer}\n')
            os.chmod(os.path.join(stubs, name), 0o755)
        cases = [
            # (what, arguments, a guard runs, stopped, pinged)
            ("an upgrade while the bus's guard runs", ["configure", "1.0"], "0", True, True),
            ("an upgrade with no guard running", ["configure", "1.0"], "1", True, False),
            ("a first installation", ["configure", ""], "0", False, False),
        ]
        for what, args, running, stopped, pinged in cases:
            with self.subTest(case=what):
                if os.path.exists(calls):
                    os.remove(calls)
                env = {"PATH": stubs, "STOPPED": running}
                done = subprocess.run(command + args, capture_output=True, text=True, env=env)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                with open(calls) as file:
                    made = file.read().splitlines()
                self.assertEqual(any(c.startswith("start-stop-daemon --stop") and "/pemblo-guard" in c
                                     for c in made), stopped, made)
                self.assertEqual(any(c.startswith("dbus-send --system") and "org.pemblo.Guard" in c
                                     for c in made), pinged, made)

    def test_lintian_finds_no_error_and_no_warning_but_the_manual_pages(self):
        verdict = run(["lintian", "--allow-root", self.deb])
        # The commands have no manual pages yet (their --help and the guide say how to use them).
        tolerated = {"no-manual-page"}
        faults = [line for line in verdict.stdout.splitlines()
                  if line[:2] in ("E:", "W:") and line.split()[2] not in tolerated]
        self.assertEqual(faults, [], verdict.stdout + verdict.stderr)

    def test_desktop_entries_are_valid_and_start_what_the_package_holds(self):
        entries = [p for p in self.entries if p.endswith(".desktop")]
        self.assertEqual(len(entries), 4, entries)
        for path in entries:
            with self.subTest(entry=path):
                file = os.path.join(self.root, path)
                checked = run(["desktop-file-validate", file])
                self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))
                with open(file, encoding="utf-8") as text:
                    keys = dict(line.rstrip("\n").split("=", 1) for line in text if "=" in line)
                program = keys["Exec"].split()[0]
                self.assertTrue(program.lstrip("/") in self.entries, program)
                icon = f"usr/share/icons/hicolor/scalable/apps/{keys['Icon']}.svg"
                self.assertTrue(icon in self.entries, icon)
        # The default-browser offer writes and names this entry; the menu's must be the same.
        self.assertIn("usr/share/applications/pemblobrowser.desktop", entries)

    def test_systemd_accepts_the_guards_unit(self):
        checked = run(["systemd-analyze", f"--root={self.root}", "verify", "/lib/systemd/system/pemblo-guard.service"])
        # A unit systemd only warns about still loses its setting: any word from it is a fault.
        self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, ""))

    def test_the_system_bus_loads_the_guards_policy_and_activation_file(self):
        share = os.path.join(self.root, "usr/share/dbus-1")
        socket = os.path.join(self.work, "system_bus_socket")
        config = os.path.join(self.work, "system-bus.conf")
        # Debian's system bus policy without what ties it to this machine (its user, socket, pid
        # file, service folders and included policies); the package's files take their place.
        tree = ElementTree.parse("/usr/share/dbus-1/system.conf")
        busconfig = tree.getroot()
        machine_only = {"user", "fork", "pidfile", "syslog", "listen", "standard_system_servicedirs", "servicedir",
                        "servicehelper", "includedir", "include"}
        for element in [e for e in busconfig if e.tag in machine_only]:
            busconfig.remove(element)
        for tag, text in [("listen", f"unix:path={socket}"), ("servicedir", f"{share}/system-services"),
                          ("include", f"{share}/system.d/org.pemblo.Guard.conf")]:
            ElementTree.SubElement(busconfig, tag).text = text
        with open(config, "w") as out:
            out.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"\n'
                      ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n')
            out.write(ElementTree.tostring(busconfig, encoding="unicode"))
        bus = subprocess.Popen(["dbus-daemon", f"--config-file={config}", "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            # The daemon writes its address once it listens, or ends with its reason.
            address = bus.stdout.readline().strip()
            self.assertTrue(address.startswith("unix:"), address or bus.communicate(timeout=10)[1])
            names = run(["dbus-send", f"--bus={address}", "--print-reply", "--dest=org.freedesktop.DBus",
                         "/org/freedesktop/DBus", "org.freedesktop.DBus.ListActivatableNames"])
            self.assertIn('"org.pemblo.Guard"', names.stdout, names.stderr)
        finally:
            bus.terminate()
            bus.communicate()

    def test_autostart_starts_the_host_only_in_a_childs_session(self):
        if os.getuid() != 0:
            self.skipTest("switching to another account needs root")
        # The gate's own copy beside a stand-in host that says it was started.
        folder = os.path.join(self.work, "gate")
        os.makedirs(folder)
        gate = os.path.join(folder, "pemblo-autostart")
        shutil.copy(os.path.join(self.root, LIB, "Pemblo/pemblo-autostart"), gate)
        with open(os.path.join(folder, "Pemblo"), "w") as host:
            host.write('#!/bin/sh\necho host started\n')
        os.chmod(os.path.join(folder, "Pemblo"), 0o755)
        os.chmod(folder, 0o755)
        os.chmod(self.work, 0o755)
        made_group = False
        try:
            children = grp.getgrnam("pemblo-children").gr_gid
        except KeyError:
            subprocess.run(["groupadd", "--system", "pemblo-children"], check=True)
            made_group = True
            children = grp.getgrnam("pemblo-children").gr_gid
        try:
            nobody = grp.getgrnam("nogroup").gr_gid
            cases = [
                ("a child's session", f"{nobody},{children}", "host started\n"),
                ("the parent's session", f"{nobody}", ""),
            ]
            for name, groups, expected in cases:
                with self.subTest(session=name):
                    started = run(["setpriv", "--reuid=nobody", f"--regid={nobody}", f"--groups={groups}", gate])
                    self.assertEqual((started.returncode, started.stdout), (0, expected), started.stderr)
        finally:
            if made_group:
                subprocess.run(["groupdel", "pemblo-children"], check=False)


if __name__ == "__main__":
    BUILD, VERSION = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"])
