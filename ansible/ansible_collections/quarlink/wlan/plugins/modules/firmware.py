#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: firmware
short_description: Sends a firmware image to a printer's wireless-LAN module
version_added: "4.1.0"
description:
  - Sends a firmware image over the serial link (C(port)) or over TCP (C(ip) and C(tcp_port),
    with the verdict read on C(port) when given) through C(quarlink-cli firmware), and waits
    for the module's verdict.
  - With C(version), the module's firmware is read first (over C(port), otherwise over the
    LAN at C(ip)); when it already reports that version nothing is sent and the task is C(ok).
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
    description: The version is read when given; the image is never sent.
  diff_mode:
    support: full
    description: Shows the firmware version before and after.
options:
  image:
    description:
      - The firmware image file, at most 524288 bytes.
    type: path
    required: true
  version:
    description:
      - The firmware version the image holds, as the module reports it (such as C(1.2a)).
        Without it the image is always sent.
    type: str
  ip:
    description:
      - Sends over TCP to the module at this IPv4 address.
    type: str
  tcp_port:
    description:
      - The module's TCP port (its local port setting); required with C(ip).
    type: int
  verdict_timeout:
    description:
      - Seconds to wait for the module's verdict after the last byte. The program's default
        is 53.
    type: float
  block_pause_ms:
    description:
      - Milliseconds before each 2048-byte block over TCP. The program's default is 300.
    type: int
"""

EXAMPLES = r"""
- name: Bring the module on the serial link to firmware 1.3
  quarlink.wlan.firmware:
    port: /dev/ttyUSB0
    image: /srv/firmware/module_tavrel.bin
    version: "1.3"

- name: The same over TCP, the verdict read on the serial link
  quarlink.wlan.firmware:
    ip: 192.168.10.21
    tcp_port: 5000
    port: /dev/ttyUSB0
    image: /srv/firmware/module_tavrel.bin
"""

RETURN = r"""
changed:
  description: Whether the image was sent (or would be, in check mode).
  returned: always
  type: bool
before:
  description: The firmware version the module reported before, when C(version) was given.
  returned: when C(version) is given
  type: str
  sample: "1.2a"
after:
  description: The version asked for.
  returned: when C(version) is given
  type: str
  sample: "1.3"
verdict:
  description: The module's verdict as the program words it, such as C(Update Success).
  returned: when the image was sent
  type: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import (
    QuarlinkCli,
    lan_args,
    lan_arguments,
    line_args,
    line_arguments,
    program_arguments,
)


def current_version(module, cli):
    """The firmware the module reports: over the line when there is one, else over the LAN."""
    params = module.params
    if params["port"]:
        args = ["get"] + line_args(params) + ["--json"]
    else:
        args = ["read", "--ip", params["ip"]] + lan_args(params) + ["--json"]
    document, _ = cli.run_json(args)
    return document.get("firmware")


def main():
    argument_spec = program_arguments()
    argument_spec.update(line_arguments())
    argument_spec.update(lan_arguments())
    argument_spec.update(
        image=dict(type="path", required=True),
        version=dict(type="str"),
        ip=dict(type="str"),
        tcp_port=dict(type="int"),
        verdict_timeout=dict(type="float"),
        block_pause_ms=dict(type="int"),
    )
    module = AnsibleModule(
        argument_spec=argument_spec,
        supports_check_mode=True,
        required_one_of=[("port", "ip")],
        required_together=[("ip", "tcp_port")],
    )
    params = module.params
    cli = QuarlinkCli(module)

    result = dict(changed=True)
    if params["version"] is not None:
        before = current_version(module, cli)
        result.update(before=before, after=params["version"])
        result["changed"] = before != params["version"]
        if module._diff:
            result["diff"] = dict(
                before="firmware: %s\n" % before, after="firmware: %s\n" % params["version"]
            )
    if not result["changed"] or module.check_mode:
        module.exit_json(**result)

    args = ["firmware"]
    if params["ip"]:
        args += ["--ip", params["ip"], "--tcp-port", str(params["tcp_port"])]
    if params["port"]:
        args += line_args(params)
    if params["verdict_timeout"] is not None:
        args += ["--verdict-timeout", str(params["verdict_timeout"])]
    if params["block_pause_ms"] is not None:
        args += ["--block-pause-ms", str(params["block_pause_ms"])]
    args.append(params["image"])
    _, err = cli.run(args)
    # The verdict is the program's last line on standard error, after its progress lines.
    lines = [line.strip() for line in err.splitlines() if line.strip()]
    result["verdict"] = lines[-1] if lines else ""
    module.exit_json(**result)


if __name__ == "__main__":
    main()
