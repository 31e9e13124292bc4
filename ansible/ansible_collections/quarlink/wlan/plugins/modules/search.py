#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: search
short_description: Finds the printers' wireless-LAN modules on the LAN
version_added: "4.1.0"
description:
  - Searches the LAN for modules by broadcast, or asks the one module at C(remote), through
    C(quarlink-cli search), and returns them as the fact C(quarlink_modules), sorted by MAC
    address.
  - Changes nothing. A search that finds no module fails with the program's message.
author:
  - Quarlink developers
extends_documentation_fragment:
  - quarlink.wlan.quarlink
  - quarlink.wlan.quarlink.program
  - quarlink.wlan.quarlink.lan
attributes:
  check_mode:
    support: full
    description: The search only reads; it runs in check mode too.
  diff_mode:
    support: none
  facts:
    support: full
options:
  remote:
    description:
      - Asks only the module at this IP address instead of searching by broadcast.
    type: str
"""

EXAMPLES = r"""
- name: Find the modules on the LAN
  quarlink.wlan.search:

- name: List them
  ansible.builtin.debug:
    msg: "{{ item.mac }} at {{ item.moduleIp }}, firmware {{ item.firmware }}"
  loop: "{{ quarlink_modules }}"

- name: Ask one module, on another management port
  quarlink.wlan.search:
    remote: 192.168.10.21
    mgmt_port: 50006
"""

RETURN = r"""
ansible_facts:
  description: The modules found.
  returned: success
  type: complex
  contains:
    quarlink_modules:
      description: One entry per module, sorted by MAC address.
      returned: success
      type: list
      elements: dict
      sample:
        - {"mac": "00:30:f9:00:00:01", "moduleIp": "192.168.10.21", "productId": 3,
           "firmware": "1.2a"}
modules:
  description: The same list as the fact C(quarlink_modules).
  returned: success
  type: list
  elements: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import (
    QuarlinkCli,
    lan_args,
    lan_arguments,
    program_arguments,
)


def main():
    argument_spec = program_arguments()
    argument_spec.update(lan_arguments())
    argument_spec.update(remote=dict(type="str"))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    args = ["search"] + lan_args(module.params) + ["--json"]
    if module.params["remote"]:
        args += ["--remote", module.params["remote"]]
    modules, _ = QuarlinkCli(module).run_json(args)
    module.exit_json(changed=False, modules=modules, ansible_facts=dict(quarlink_modules=modules))


if __name__ == "__main__":
    main()
