#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: setup_file
short_description: Uploads a setup variables file to a printer's wireless-LAN module
version_added: "4.1.0"
description:
  - Uploads the text of a setup file (up to its first zero byte, at most 2047 bytes) to the
    module on the serial link, through C(quarlink-cli setup upload).
  - The module's setup text is read first; the file is uploaded only when its text differs.
author:
  - Quarlink developers
extends_documentation_fragment:
  - quarlink.wlan.quarlink
  - quarlink.wlan.quarlink.program
  - quarlink.wlan.quarlink.line
attributes:
  check_mode:
    support: full
    description: The module's text is read and compared; nothing is sent.
  diff_mode:
    support: full
    description: Shows the module's setup text before and after.
options:
  src:
    description:
      - The setup file, such as one saved by C(quarlink-cli setup save).
    type: path
    required: true
  force:
    description:
      - Uploads the file even when the module already holds its text.
    type: bool
    default: false
"""

EXAMPLES = r"""
- name: Give the module its setup variables
  quarlink.wlan.setup_file:
    port: /dev/ttyUSB0
    src: files/printer1_env_vars.bin
"""

RETURN = r"""
changed:
  description: Whether the module's setup text differed from the file's.
  returned: always
  type: bool
written:
  description: Whether the file was uploaded.
  returned: always
  type: bool
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import (
    QuarlinkCli,
    line_args,
    line_arguments,
    program_arguments,
)


def text_of(value):
    """A setup text as the settings document gives it: a string, or its bytes in hexadecimal."""
    if isinstance(value, dict):
        return "hex: %s\n" % value.get("hex", "")
    return value or ""


def main():
    argument_spec = program_arguments()
    argument_spec.update(line_arguments())
    argument_spec.update(
        src=dict(type="path", required=True),
        force=dict(type="bool", default=False),
    )
    module = AnsibleModule(
        argument_spec=argument_spec,
        supports_check_mode=True,
        required_one_of=[("port",)],
    )
    args = ["setup", "upload"] + line_args(module.params) + ["--json"]
    if module.check_mode:
        args.append("--dry-run")
    elif not module.params["force"]:
        args.append("--if-changed")
    args.append(module.params["src"])
    result, _ = QuarlinkCli(module).run_json(args)
    outcome = dict(changed=bool(result.get("changed")), written=bool(result.get("written")))
    change = (result.get("changes") or {}).get("setupText")
    if module._diff and change:
        outcome["diff"] = dict(
            before=text_of(change.get("before")), after=text_of(change.get("after"))
        )
    module.exit_json(**outcome)


if __name__ == "__main__":
    main()
