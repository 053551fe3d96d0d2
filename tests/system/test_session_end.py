#!/usr/bin/python3
"""Session-ending calls reach logind as expected, against a fake logind on a private system bus."""
import os
import subprocess
import sys
import unittest

import dbus
import dbusmock

PROBE = os.environ["SYSUTILS_PROBE"]


class SessionEndTest(dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()
        cls.dbus_con = cls.get_dbus(system_bus=True)

    def setUp(self):
        self.p_mock, self.obj = self.spawn_server_template("logind", {}, stdout=subprocess.DEVNULL)
        self.mock = dbus.Interface(self.obj, dbusmock.MOCK_IFACE)
        self.mock.AddSession("c7", "seat0", dbus.UInt32(os.getuid()), "tester", True)

    def tearDown(self):
        self.p_mock.terminate()
        self.p_mock.wait()

    def probe(self, flags, **env):
        out = subprocess.run([PROBE, "exitwindows", str(flags)], capture_output=True, text=True,
                             env={**os.environ, **env}, timeout=60, check=True).stdout.split("\n")
        return out[0], out[1]

    def calls(self):
        return [(str(name), [a for a in args]) for _, name, args in self.mock.GetCalls()]

    def test_flags_map_to_logind_methods(self):
        cases = [(6, "Reboot", [False]), (5, "PowerOff", [False]), (4, "TerminateSession", ["c7"])]
        for flags, method, args in cases:
            with self.subTest(flags=flags):
                self.mock.ClearCalls()
                self.assertEqual(self.probe(flags, XDG_SESSION_ID="c7"), ("true", ""))
                self.assertIn((method, args), self.calls())

    def test_refusal_reports_the_error_text(self):
        self.mock.AddMethod("org.freedesktop.login1.Manager", "Reboot", "b", "",
                            "raise dbus.exceptions.DBusException('Interactive authentication required.', "
                            "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")
        self.assertEqual(self.probe(6), ("false", "Interactive authentication required"))


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
