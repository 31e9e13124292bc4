#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: settings
short_description: The network and WLAN settings of a printer's wireless-LAN module
version_added: "4.1.0"
description:
  - Reads a module's settings, or applies settings-document keys to it, over the serial link
    (C(port)) or over the LAN (C(mac) or C(ip)), through C(quarlink-cli).
  - With C(state=merged) the module is read first and only the settings that differ are
    written; when none differs nothing is written and the task is C(ok).
  - The program compares the settings; this module reports what it answers.
author:
  - Quarlink developers
extends_documentation_fragment:
  - quarlink.wlan.quarlink
  - quarlink.wlan.quarlink.program
  - quarlink.wlan.quarlink.line
  - quarlink.wlan.quarlink.lan
attributes:
  check_mode:
    support: full
    description: The module is read and the change computed; nothing is written.
  diff_mode:
    support: full
    description:
      - Shows the changed settings before and after, secrets masked; a changed secret shows
        as C(******** (changed)).
options:
  mac:
    description:
      - The module's MAC address on the LAN, such as C(00:30:f9:00:00:01), found by broadcast.
    type: str
  ip:
    description:
      - The module's IP address on the LAN.
    type: str
  config:
    description:
      - Settings-document keys and their values, such as C(ssid), C(channel), C(localIp),
        C(security). Keys left out keep the module's values.
      - See the C(quarlink-cli) manual for every key and its values. A bad key or value fails
        the task with the program's reason before anything is written.
      - Give secrets with C(passphrase), C(wep64_keys) and C(wep128_keys). Secret keys inside
        C(config) (a C(backup) file applied again) are kept out of logs and results as well.
    type: dict
    default: {}
  passphrase:
    description:
      - The WPA pass phrase (document key C(passphrase)); the pre-shared key is derived from
        it and the SSID.
    type: str
  wep64_keys:
    description:
      - The four 64-bit WEP keys, 10 hexadecimal digits each (document key C(wep64Keys)).
    type: list
    elements: str
  wep128_keys:
    description:
      - The four 128-bit WEP keys, 26 hexadecimal digits each (document key C(wep128Keys)).
    type: list
    elements: str
  state:
    description:
      - C(merged) applies the keys and writes only what differs.
      - C(gathered) only reads; the settings are returned as C(gathered).
    type: str
    choices: [merged, gathered]
    default: merged
  force:
    description:
      - Writes the settings even when none differs.
    type: bool
    default: false
  backup:
    description:
      - Before writing, saves the module's settings as read (secrets included, mode 0600) to
        this file on the host that runs the module; applying that file as C(config) puts them
        back. Nothing is saved when nothing is written.
    type: path
  mgmt_password:
    description:
      - The management password of a module that has one set, for a write over the LAN (at
        most 10 bytes). It reaches C(quarlink-cli) through its environment, never its command
        line, and is kept out of logs.
    type: str
  mgmt_password_file:
    description:
      - A file whose first line is that password; it wins over C(mgmt_password).
    type: path
  show_secrets:
    description:
      - Returns the pass phrase, the pre-shared key and the WEP keys as they are instead of
        masked as C(********).
    type: bool
    default: false
"""

EXAMPLES = r"""
- name: Join the printers' WLAN, over the serial link
  quarlink.wlan.settings:
    port: /dev/ttyUSB0
    config:
      wlanMode: infrastructure
      ssid: PrinterNet
      security: wpa
      wpaMode: wpa2-psk
      cipher: aes
    passphrase: "{{ vault_printer_passphrase }}"

- name: A module on the LAN that has a management password
  quarlink.wlan.settings:
    ip: 192.168.10.22
    config:
      channel: 6
    mgmt_password: "{{ vault_module_password }}"

- name: A fixed address for the module with this MAC address, over the LAN
  quarlink.wlan.settings:
    mac: "00:30:f9:00:00:01"
    config:
      dhcp: false
      localIp: 192.168.10.21
      subnetMask: 255.255.255.0
      gateway: 192.168.10.1

- name: Read a module's settings
  quarlink.wlan.settings:
    ip: 192.168.10.21
    state: gathered
  register: printer

- name: Show its SSID
  ansible.builtin.debug:
    msg: "{{ printer.gathered.ssid }}"
"""

RETURN = r"""
changed:
  description: Whether a setting differed (and, outside check mode, was written).
  returned: always
  type: bool
before:
  description: The module's settings as read (secrets masked unless C(show_secrets)).
  returned: when C(state=merged)
  type: dict
  sample: {"ssid": "Office", "channel": 1, "passphrase": "********"}
after:
  description: The settings as written, or as they would be in check mode.
  returned: when C(state=merged)
  type: dict
  sample: {"ssid": "PrinterNet", "channel": 6, "passphrase": "********"}
backup_file:
  description: The file the settings were saved to before the write, with C(backup).
  returned: when C(backup) is given and the module was written
  type: str
changes:
  description: Each changed setting with its value before and after.
  returned: when C(state=merged)
  type: dict
  sample: {"ssid": {"before": "Office", "after": "PrinterNet"}}
written:
  description: Whether anything was written to the module.
  returned: when C(state=merged)
  type: bool
gathered:
  description: The module's settings document (secrets masked unless C(show_secrets)).
  returned: when C(state=gathered)
  type: dict
  sample: {"mac": "00:11:22:33:44:55", "ssid": "PrinterNet", "channel": 6, "dhcp": false}
"""

import json

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.parameters import remove_values
from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import (
    QuarlinkCli,
    lan_args,
    lan_arguments,
    lan_target_args,
    line_args,
    line_arguments,
    marked_changed,
    masked,
    program_arguments,
    secret_values,
)


class SettingsModule(AnsibleModule):
    """An AnsibleModule that keeps the secrets given inside `config` out of the system log.

    AnsibleModule logs its invocation (syslog or the journal) while it is being built, before
    this module's code runs, and masks there only the values of options declared no_log. The
    secret keys of `config` join those values before anything is logged, in the message and in
    its journal fields alike.
    """

    def log(self, msg, log_args=None):
        self.no_log_values.update(secret_values(self.params.get("config")))
        if log_args:
            log_args = remove_values(log_args, self.no_log_values)
        super(SettingsModule, self).log(msg, log_args)


def wanted_document(module):
    """The document to apply: the config keys and the secrets given as options."""
    document = dict(module.params["config"])
    for option, key in (
        ("passphrase", "passphrase"),
        ("wep64_keys", "wep64Keys"),
        ("wep128_keys", "wep128Keys"),
    ):
        if module.params[option] is not None:
            document[key] = module.params[option]
    # Secrets given in config (a backup applied again) are kept out of results as well.
    module.no_log_values.update(secret_values(document))
    return document


def gather(module, cli):
    params = module.params
    if params["port"]:
        args = ["get"] + line_args(params) + ["--json"]
    else:
        args = ["read"] + lan_target_args(params) + lan_args(params) + ["--json"]
    document, _ = cli.run_json(args)
    module.exit_json(changed=False, gathered=masked(document, params["show_secrets"]))


def merge(module, cli):
    params = module.params
    if params["port"]:
        args = ["set"] + line_args(params)
    else:
        args = ["write"] + lan_target_args(params) + lan_args(params)
        if params["mgmt_password_file"]:
            args += ["--password-file", params["mgmt_password_file"]]
    args.append("--json")
    if module.check_mode:
        args.append("--dry-run")
    if params["force"]:
        args.append("--force")
    if params["show_secrets"]:
        args.append("--show-secrets")
    if params["backup"] and not module.check_mode:
        args += ["--backup", params["backup"]]
    args.append("-")
    data = json.dumps(wanted_document(module))
    environ = {}
    if params["mgmt_password"] and not params["port"]:
        environ["QUARLINK_MGMT_PASSWORD"] = params["mgmt_password"]
    result, _ = cli.run_json(args, data=data, environ=environ)
    changes = result.get("changes") or {}
    changed_before = dict((key, change.get("before")) for key, change in changes.items())
    changed_after = dict((key, change.get("after")) for key, change in changes.items())
    outcome = dict(
        changed=bool(result.get("changed")),
        before=result.get("before", changed_before),
        after=result.get("after", changed_after),
        changes=changes,
        written=bool(result.get("written")),
    )
    if result.get("backup"):
        outcome["backup_file"] = result["backup"]
    if module._diff:
        outcome["diff"] = dict(
            before=changed_before, after=marked_changed(changed_before, changed_after)
        )
    module.exit_json(**outcome)


def main():
    argument_spec = program_arguments()
    argument_spec.update(line_arguments())
    argument_spec.update(lan_arguments())
    argument_spec.update(
        mac=dict(type="str"),
        ip=dict(type="str"),
        config=dict(type="dict", default={}),
        passphrase=dict(type="str", no_log=True),
        wep64_keys=dict(type="list", elements="str", no_log=True),
        wep128_keys=dict(type="list", elements="str", no_log=True),
        state=dict(type="str", choices=["merged", "gathered"], default="merged"),
        force=dict(type="bool", default=False),
        backup=dict(type="path"),
        mgmt_password=dict(type="str", no_log=True),
        mgmt_password_file=dict(type="path", no_log=False),
        show_secrets=dict(type="bool", default=False),
    )
    module = SettingsModule(
        argument_spec=argument_spec,
        supports_check_mode=True,
        mutually_exclusive=[("port", "mac", "ip")],
        required_one_of=[("port", "mac", "ip")],
    )
    cli = QuarlinkCli(module)
    if module.params["state"] == "gathered":
        gather(module, cli)
    else:
        merge(module, cli)


if __name__ == "__main__":
    main()
