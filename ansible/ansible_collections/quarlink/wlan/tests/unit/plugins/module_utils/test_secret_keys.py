# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)
"""The collection masks the settings the program calls secret: SECRET_KEYS names the keys of
the program's kSecretKeys (settings/SettingsKeys.h, given in QUARLINK_SETTINGS_KEYS_HEADER)."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os
import re
import unittest

from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import SECRET_KEYS

HEADER = os.environ.get("QUARLINK_SETTINGS_KEYS_HEADER")


class SecretKeys(unittest.TestCase):
    @unittest.skipUnless(HEADER, "QUARLINK_SETTINGS_KEYS_HEADER names no header")
    def test_same_as_the_program(self):
        with open(HEADER) as header:
            found = re.search(r"\bkSecretKeys\s*\{([^}]*)\}", header.read())
        self.assertIsNotNone(found, "no kSecretKeys{...} in %s" % HEADER)
        program = re.findall(r'"([^"]*)"', found.group(1))
        self.assertTrue(program)
        self.assertEqual(sorted(SECRET_KEYS), sorted(program))


if __name__ == "__main__":
    unittest.main()
