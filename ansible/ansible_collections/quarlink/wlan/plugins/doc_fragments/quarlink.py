# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)
"""The options the modules and the inventory plugin share: the program, the serial line and
the LAN; and what every module needs (its answer time-out, requirements and notes)."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):

    DOCUMENTATION = r"""
options:
  answer_timeout:
    description:
      - How long each answer (on the line) or each exchange (on the LAN) is awaited, in
        milliseconds. The program's defaults are 2000 on the line, 2000 for a LAN read and
        3000 for a LAN write.
    type: int
requirements:
  - quarlink-cli (installed with the quarlink package) on the host that runs the module
notes:
  - The module runs C(quarlink-cli) on the managed host, usually the controller itself with
    C(ansible_connection=local), where the printers' serial ports or LAN are reachable.
  - Several hosts may address modules on the LAN at once; C(quarlink-cli) takes turns on the
    local management port (see C(port_wait)). Serial ports are independent.
"""

    PROGRAM = r"""
options:
  cli_path:
    description:
      - Path of C(quarlink-cli). By default it is found on C(PATH).
    type: path
"""

    LINE = r"""
options:
  port:
    description:
      - The serial port the module is attached to, such as C(/dev/ttyUSB0).
    type: str
  baud:
    description:
      - Line speed, 1200 to 115200. The program's default is 57600.
    type: int
  parity:
    description:
      - Parity of the line. The program's default is C(none).
    type: str
    choices: [none, odd, even]
  data_bits:
    description:
      - Data bits. The program's default is 8.
    type: int
    choices: [7, 8]
  stop_bits:
    description:
      - Stop bits. The program's default is 1.
    type: int
    choices: [1, 2]
"""

    LAN = r"""
options:
  mgmt_port:
    description:
      - UDP port the modules listen on. The program's default is 50005 or C(QUARLINK_MGMT_PORT).
    type: int
  local_port:
    description:
      - Local UDP port the program binds, 0 for any free port. The program's default is 50005
        or C(QUARLINK_MGMT_LOCAL_PORT).
    type: int
  broadcast:
    description:
      - Address of a search or of a read or write by MAC address. The program's default is
        255.255.255.255 or C(QUARLINK_MGMT_BROADCAST).
    type: str
  bind:
    description:
      - Local address the program binds. The program's default is 0.0.0.0 (any) or
        C(QUARLINK_MGMT_BIND).
    type: str
  mgmt_key:
    description:
      - The modules' management key as 28 hexadecimal digits. It reaches C(quarlink-cli) as
        C(QUARLINK_MGMT_KEY) in its environment, never on its command line. The program's
        default is its built-in key or C(QUARLINK_MGMT_KEY).
    type: str
  port_wait:
    description:
      - How long, in seconds, to wait while another C(quarlink-cli) on the same host uses the
        local management port. The program's default is 120.
    type: int
"""
