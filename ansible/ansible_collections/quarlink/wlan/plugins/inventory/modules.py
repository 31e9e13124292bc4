# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
name: modules
short_description: The printers' wireless-LAN modules on the LAN as hosts
version_added: "4.1.0"
description:
  - Finds the modules on the LAN with C(quarlink-cli search --json), by broadcast and at each
    address of C(remote), and makes each module found one host.
  - Each host has the variables C(module_mac), C(module_ip), C(module_product_id) and
    C(module_firmware), and C(ansible_connection=local) with the controller's Python, so a
    C(quarlink.wlan.settings) task reaches its module with C(mac) set to C({{ module_mac }}).
  - The inventory source is a YAML file whose name ends in C(quarlink.yml) or
    C(quarlink.yaml), holding C(plugin) set to C(quarlink.wlan.modules) and the options below.
  - A search that finds no module adds no host and warns, naming the cause; with C(strict) it
    fails the inventory source instead.
author:
  - Quarlink developers
requirements:
  - quarlink-cli (installed with the quarlink package) on the controller
extends_documentation_fragment:
  - constructed
  - inventory_cache
  - quarlink.wlan.quarlink.program
  - quarlink.wlan.quarlink.lan
options:
  plugin:
    description:
      - The name of this plugin; it makes the file an inventory source for it.
    required: true
    type: str
    choices: [quarlink.wlan.modules]
  remote:
    description:
      - IP addresses of modules to ask one by one besides the broadcast search, such as modules
        on a subnet the broadcast does not reach. Address their hosts with C(ip) set to
        C({{ module_ip }}) rather than C(mac).
    type: list
    elements: str
    default: []
  hostname_template:
    description:
      - The Jinja2 template of each host's name, over the host's variables.
      - By default C(printer_) and the module's MAC address without colons, in lower case.
    type: str
    default: "printer_{{ module_mac | replace(':', '') | lower }}"
  answer_timeout:
    description:
      - How long each search awaits answers, in milliseconds. The program's default is 2000.
    type: int
notes:
  - The management key is best kept out of the source file; C(quarlink-cli) reads it from
    C(QUARLINK_MGMT_KEY) in the controller's environment as well.
  - A search takes its turn on the local management port like every other C(quarlink-cli)
    on the controller (see C(port_wait)); with C(remote), one search runs per address.
  - With C(cache), a search that found nobody is not kept; the next run searches again.
  - A module that two searches find at two addresses under one MAC address is kept once, as
    first found, with a warning (an error with C(strict)).
"""

EXAMPLES = r"""
# modules.quarlink.yml: every module on the printers' subnet, grouped by product and firmware
plugin: quarlink.wlan.modules
broadcast: 192.168.10.255
keyed_groups:
  - key: module_product_id | string
    prefix: product
  - key: module_firmware
    prefix: firmware

---
# Modules on two subnets: the broadcast reaches one, the other is asked module by module;
# every host joins the group printers, and has its subnet as a variable
plugin: quarlink.wlan.modules
broadcast: 192.168.10.255
remote:
  - 192.168.20.31
  - 192.168.20.32
groups:
  printers: true
compose:
  module_subnet: module_ip.split('.')[:3] | join('.')

---
# Host names from the module's address, the search kept for five minutes
plugin: quarlink.wlan.modules
hostname_template: "printer-{{ module_ip | replace('.', '-') }}"
cache: true
cache_plugin: ansible.builtin.jsonfile
cache_connection: ~/.cache/quarlink-inventory
cache_timeout: 300
"""

import json
import os
import subprocess

from ansible.errors import AnsibleParserError
from ansible.module_utils.common.process import get_bin_path
from ansible.module_utils.common.text.converters import to_native
from ansible.plugins.inventory import BaseInventoryPlugin, Cacheable, Constructable
from ansible_collections.quarlink.wlan.plugins.module_utils.quarlink_cli import (
    failure_message,
    lan_args,
    lan_arguments,
    lan_environment,
)

# quarlink-cli's exit status when the module or the line failed: for a search, nobody answered.
EXIT_FAILURE = 1


class InventoryModule(BaseInventoryPlugin, Constructable, Cacheable):
    """One host per module that quarlink-cli search finds."""

    NAME = "quarlink.wlan.modules"

    def verify_file(self, path):
        return super(InventoryModule, self).verify_file(path) and path.endswith(
            ("quarlink.yml", "quarlink.yaml")
        )

    def parse(self, inventory, loader, path, cache=True):
        super(InventoryModule, self).parse(inventory, loader, path, cache)
        self._read_config_data(path)
        cache_key = self.get_cache_key(path)
        use_cache = self.get_option("cache") and cache
        update_cache = self.get_option("cache") and not cache
        modules = None
        if use_cache:
            try:
                modules = self._cache[cache_key]
            except KeyError:
                update_cache = True
        if modules is None:
            modules, complete = self._search_all()
            # A search that reached nobody is not kept: the next run searches again.
            update_cache = update_cache and complete
        if update_cache:
            self._cache[cache_key] = modules
        self._populate(modules)

    def _problem(self, message):
        """A fault in what was found: fatal with strict, else a warning."""
        if self.get_option("strict"):
            raise AnsibleParserError(message)
        self.display.warning(message)

    def _search_all(self):
        """The modules found by broadcast and at each remote address, one entry per module;
        and whether every search found one."""
        found = {}
        complete = True
        for remote in [None] + list(self.get_option("remote")):
            modules = self._search(remote)
            complete = complete and bool(modules)
            for module in modules:
                mac = str(module.get("mac", "")).lower()
                known = found.get(mac)
                if known is None:
                    found[mac] = module
                elif known.get("moduleIp") != module.get("moduleIp"):
                    first, second = known.get("moduleIp"), module.get("moduleIp")
                    self._problem(
                        "the modules at %s and %s both report MAC address %s; the one at %s is "
                        "left out" % (first, second, module.get("mac"), second)
                    )
        return [found[mac] for mac in sorted(found)], complete

    def _search(self, remote):
        """The modules one quarlink-cli search finds, by broadcast or at `remote`."""
        options = dict((name, self.get_option(name)) for name in lan_arguments())
        options["answer_timeout"] = self.get_option("answer_timeout")
        cmd = [self._cli_path(), "search"] + lan_args(options) + ["--json"]
        if remote:
            cmd += ["--remote", remote]
        environ = dict(os.environ)
        environ.update(lan_environment(options))
        try:
            run = subprocess.run(
                cmd, env=environ, stdin=subprocess.DEVNULL, capture_output=True,
                universal_newlines=True,
            )
        except OSError as e:
            raise AnsibleParserError("cannot run %s: %s" % (cmd[0], to_native(e)))
        if remote:
            where = "at %s" % remote
        else:
            where = "by broadcast to %s" % (options["broadcast"] or "the default address")
        if run.returncode == EXIT_FAILURE:
            self._problem(
                "the search %s found no module: %s"
                % (where, failure_message(run.returncode, run.stderr))
            )
            return []
        if run.returncode != 0:
            raise AnsibleParserError(
                "the search %s failed: %s" % (where, failure_message(run.returncode, run.stderr))
            )
        try:
            modules = json.loads(run.stdout)
        except ValueError as e:
            raise AnsibleParserError("quarlink-cli printed no JSON result: %s" % to_native(e))
        if not isinstance(modules, list) or not all(isinstance(m, dict) for m in modules):
            raise AnsibleParserError("quarlink-cli printed no list of modules")
        return modules

    def _cli_path(self):
        path = self.get_option("cli_path")
        if path:
            return path
        try:
            return get_bin_path("quarlink-cli")
        except ValueError as e:
            raise AnsibleParserError(to_native(e))

    def _populate(self, modules):
        strict = self.get_option("strict")
        names = {}
        for module in modules:
            variables = dict(
                module_mac=module.get("mac"),
                module_ip=module.get("moduleIp"),
                module_product_id=module.get("productId"),
                module_firmware=module.get("firmware"),
                ansible_connection="local",
                ansible_python_interpreter="{{ ansible_playbook_python }}",
            )
            name = self._host_name(variables)
            if not name:
                continue
            if name in names:
                mac = variables["module_mac"]
                self._problem(
                    "hostname_template gives %s to the modules with MAC addresses %s and %s; %s "
                    "is left out" % (name, names[name], mac, mac)
                )
                continue
            names[name] = variables["module_mac"]
            self.inventory.add_host(name)
            for key, value in variables.items():
                self.inventory.set_variable(name, key, value)
            hostvars = self.inventory.get_host(name).get_vars()
            self._set_composite_vars(self.get_option("compose"), hostvars, name, strict=strict)
            self._add_host_to_composed_groups(self.get_option("groups"), hostvars, name,
                                              strict=strict)
            self._add_host_to_keyed_groups(self.get_option("keyed_groups"), hostvars, name,
                                           strict=strict)

    def _host_name(self, variables):
        """The host name hostname_template gives a module; nothing when it gives none."""
        self.templar.available_variables = variables
        try:
            name = to_native(self.templar.template(self.get_option("hostname_template"))).strip()
        except Exception as e:
            self._problem("hostname_template for MAC address %s: %s"
                          % (variables["module_mac"], to_native(e)))
            return None
        if not name:
            self._problem("hostname_template gives no name for MAC address %s"
                          % variables["module_mac"])
        return name
