# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)
"""Where the modules' secrets go: never into the system log, never onto quarlink-cli's command
line. Each module runs as Ansible runs it, its parameters as the controller sends them, with
quarlink-cli's answer stood in for and the log calls of AnsibleModule recorded."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import io
import json
import unittest
from unittest import mock

from ansible.module_utils import basic
from ansible.module_utils.common import warnings
from ansible_collections.quarlink.wlan.plugins.modules import firmware, search, settings

CLI = "/usr/bin/quarlink-cli"
MGMT_KEY = "0123456789abcdef0123456789ab"


class FakeJournal(object):
    """systemd.journal as AnsibleModule uses it: every message and field sent."""

    def __init__(self):
        self.sent = []

    def send(self, **fields):
        self.sent.append(" ".join("%s=%s" % item for item in sorted(fields.items())))


def run(module, args, answer=None, log_to="syslog"):
    """Runs `module` with `args`; returns its result, the quarlink-cli runs (command line and
    environment) and every text that reached the system log."""
    params = dict(args, _ansible_remote_tmp="/tmp", _ansible_keep_remote_files=False)
    runs, logged, journal = [], [], FakeJournal()

    def run_command(self, cmd, data=None, binary_data=False, environ_update=None, **kwargs):
        runs.append((list(cmd), dict(environ_update or {})))
        return 0, json.dumps(answer if answer is not None else {}), ""

    out = io.StringIO()
    encoded = json.dumps({"ANSIBLE_MODULE_ARGS": params}).encode()
    with mock.patch.object(basic, "_ANSIBLE_ARGS", encoded), \
            mock.patch.object(basic.AnsibleModule, "run_command", run_command), \
            mock.patch.object(basic, "has_journal", log_to == "journal"), \
            mock.patch.object(basic, "journal", journal, create=True), \
            mock.patch.object(basic, "HAS_SYSLOG", True), \
            mock.patch.object(basic.syslog, "openlog", lambda *a: None), \
            mock.patch.object(basic.syslog, "syslog", lambda priority, msg: logged.append(msg)), \
            mock.patch.object(warnings, "_global_warnings", []), \
            mock.patch("sys.stdout", out):
        try:
            module.main()
        except SystemExit:
            pass
    return json.loads(out.getvalue()), runs, logged + journal.sent


class SecretsInConfig(unittest.TestCase):
    """Secret keys given inside config (a backup applied again) are masked in the invocation's
    log entry, its journal fields and the result, as the secret options are."""

    SECRETS = {
        "passphrase": "Config-Pass-Phrase-1",
        "psk": "5c1e" * 16,
        "wep64Keys": ["a1b2c3d4e5", "a1b2c3d4e6", "a1b2c3d4e7", "a1b2c3d4e8"],
        "wep128Keys": ["f0e1d2c3b4a5968778695a4b3c", "f0e1d2c3b4a5968778695a4b3d",
                       "f0e1d2c3b4a5968778695a4b3e", "f0e1d2c3b4a5968778695a4b3f"],
    }

    def test_never_logged(self):
        config = dict(self.SECRETS, ssid="PrinterNet")
        for log_to in ("syslog", "journal"):
            with self.subTest(log_to=log_to):
                args = dict(port="/dev/ttyX", cli_path=CLI, config=config)
                answer = {"changed": False, "changes": {}}
                result, _, logged = run(settings, args, answer, log_to=log_to)
                self.assertTrue(any("Invoked with" in text for text in logged), logged)
                self.assertIn("PrinterNet", " ".join(logged))
                shown = " ".join(logged) + json.dumps(result)
                for key, value in self.SECRETS.items():
                    for secret in value if isinstance(value, list) else [value]:
                        self.assertNotIn(secret, shown, key)


class SecretOptions(unittest.TestCase):
    """The management key reaches quarlink-cli through its environment, in every module that
    goes over the LAN; the password file is no secret, and no run warns about it."""

    CASES = [
        ("settings read", settings, dict(mac="00:30:f9:00:00:01", state="gathered"), {}),
        ("settings write", settings, dict(ip="192.168.10.2", config={"channel": 6}),
         {"changed": False}),
        ("search", search, dict(remote="192.168.10.2"), []),
        ("firmware version", firmware,
         dict(ip="192.168.10.2", tcp_port=5001, image="/tmp/image.bin", version="1.2a"),
         {"firmware": "1.2a"}),
    ]

    def test_management_key_in_environment(self):
        for name, module, args, answer in self.CASES:
            with self.subTest(name):
                args = dict(args, cli_path=CLI, mgmt_key=MGMT_KEY)
                result, runs, logged = run(module, args, answer)
                self.assertFalse(result.get("failed"), result)
                self.assertTrue(runs)
                for cmd, environ in runs:
                    self.assertNotIn(MGMT_KEY, " ".join(cmd))
                    self.assertNotIn("--mgmt-key", cmd)
                    self.assertEqual(environ.get("QUARLINK_MGMT_KEY"), MGMT_KEY)
                self.assertNotIn(MGMT_KEY, " ".join(logged) + json.dumps(result))

    def test_password_file_without_warning(self):
        args = dict(ip="192.168.10.2", cli_path=CLI, config={"channel": 6},
                    mgmt_password_file="/etc/printer.pw")
        result, runs, _ = run(settings, args, {"changed": False})
        self.assertNotIn("warnings", result)
        self.assertEqual(runs[0][0][runs[0][0].index("--password-file") + 1], "/etc/printer.pw")


if __name__ == "__main__":
    unittest.main()
