#!/usr/bin/python3
"""vtr.system ends the session through logind: proven against a fake logind on a private system
bus, never against the machine's own."""
import os
import subprocess
import sys
import unittest

import dbus
import dbusmock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_e2e import E2ETestCase  # noqa: E402


class SystemTest(E2ETestCase, dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()
        cls.bus_address = os.environ["DBUS_SYSTEM_BUS_ADDRESS"]

    def setUp(self):
        self.p_mock, obj = self.spawn_server_template("logind", {}, stdout=subprocess.DEVNULL)
        self.mock = dbus.Interface(obj, dbusmock.MOCK_IFACE)
        self.mock.AddSession("c7", "seat0", dbus.UInt32(os.getuid()), "tester", True)

    def tearDown(self):
        self.p_mock.terminate()
        self.p_mock.wait()

    def start(self, page):
        app = self.pack({"IndexHtml": page})
        proc = app.start(env={"DBUS_SYSTEM_BUS_ADDRESS": self.bus_address, "XDG_SESSION_ID": "c7"})
        report = app.wait_file("report.json")
        self.assertEqual(proc.wait(timeout=20), 0)
        return report

    def calls(self):
        return [(str(name), [a for a in args]) for _, name, args in self.mock.GetCalls()]

    def test_logoff_reboot_and_shutdown_reach_logind(self):
        report = self.start("system.html")
        ok = {"ok": True, "value": True}
        self.assertEqual(report, {"logoff": ok, "reboot": ok, "shutdown": ok})
        calls = self.calls()
        for call in (("TerminateSession", ["c7"]), ("Reboot", [False]), ("PowerOff", [False])):
            self.assertIn(call, calls)

    def test_a_refusal_rejects_with_the_systems_text(self):
        self.mock.AddMethod("org.freedesktop.login1.Manager", "Reboot", "b", "",
                            "raise dbus.exceptions.DBusException('Interactive authentication required.', "
                            "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")
        report = self.start("system.html#reboot")
        self.assertEqual(report, {"reboot": {"ok": False, "value": "Interactive authentication required"}})


if __name__ == "__main__":
    unittest.main(testRunner=unittest.TextTestRunner(stream=sys.stdout, verbosity=2))
