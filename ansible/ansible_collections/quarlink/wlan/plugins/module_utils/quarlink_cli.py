# -*- coding: utf-8 -*-
# Copyright (c) Quarlink developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)
"""Builds quarlink-cli command lines from module parameters and reads its JSON.

The modules of this collection hold no protocol and no settings rules: they ask quarlink-cli,
which talks to the printer's module, and report what it answers. This file is the one place
that knows the program's options and how its results look.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# Settings whose values are shown as this mask unless secrets are asked for.
SECRET_KEYS = ("passphrase", "psk", "wep64Keys", "wep128Keys")
MASK = "********"

# The serial line options: module parameter -> (option of quarlink-cli, parameter definition).
LINE_OPTIONS = {
    "baud": ("--baud", dict(type="int")),
    "parity": ("--parity", dict(type="str", choices=["none", "odd", "even"])),
    "data_bits": ("--data-bits", dict(type="int", choices=[7, 8])),
    "stop_bits": ("--stop-bits", dict(type="int", choices=[1, 2])),
}

# The LAN options, likewise.
LAN_OPTIONS = {
    "mgmt_port": ("--mgmt-port", dict(type="int")),
    "local_port": ("--local-port", dict(type="int")),
    "broadcast": ("--broadcast", dict(type="str")),
    "bind": ("--bind", dict(type="str")),
    "mgmt_key": ("--mgmt-key", dict(type="str", no_log=True)),
    "port_wait": ("--port-wait", dict(type="int")),
}


def _definitions(options):
    return dict((name, dict(definition)) for name, (_, definition) in options.items())


def program_arguments():
    """The options every module takes: where quarlink-cli is, how long answers are awaited."""
    return dict(cli_path=dict(type="path"), answer_timeout=dict(type="int"))


def line_arguments():
    """The serial target: the port and its line options."""
    arguments = dict(port=dict(type="str"))
    arguments.update(_definitions(LINE_OPTIONS))
    return arguments


def lan_arguments():
    """The LAN options (the address of the module is each module's own)."""
    return _definitions(LAN_OPTIONS)


def _options(params, options):
    args = []
    for name, (flag, _) in options.items():
        if params.get(name) is not None:
            args += [flag, str(params[name])]
    if params.get("answer_timeout") is not None:
        args += ["--answer-timeout", str(params["answer_timeout"])]
    return args


def line_args(params):
    """--port and the line options that are set."""
    return ["--port", params["port"]] + _options(params, LINE_OPTIONS)


def lan_args(params):
    """The LAN options that are set."""
    return _options(params, LAN_OPTIONS)


def lan_target_args(params):
    """--mac or --ip, for read and write."""
    if params.get("mac"):
        return ["--mac", params["mac"]]
    return ["--ip", params["ip"]]


def masked(document, show_secrets=False):
    """The document with its secret settings masked, unless they are asked for."""
    if show_secrets:
        return dict(document)
    return dict(
        (key, MASK if key in SECRET_KEYS and value is not None else value)
        for key, value in document.items()
    )


def failure_message(rc, err):
    """The program's reason for a failure: its last line on standard error, before any hint
    to its help (the lines before it are its statuses and the change it was about to make)."""
    lines = [line.strip() for line in err.splitlines() if line.strip()]
    while lines and lines[-1].startswith("Try '"):
        lines.pop()
    return lines[-1] if lines else "quarlink-cli ended with status %d" % rc


class QuarlinkCli(object):
    """Runs quarlink-cli for a module; a failed run fails the module with the program's words."""

    def __init__(self, module):
        self.module = module
        self.path = module.params.get("cli_path") or module.get_bin_path(
            "quarlink-cli", required=True
        )

    def run(self, args, data=None, environ=None):
        """Runs the program with `args`, `data` on standard input and `environ` added to its
        environment (for secrets, which a command line would show); returns its output."""
        cmd = [self.path] + list(args)
        rc, out, err = self.module.run_command(
            cmd, data=data, binary_data=True, environ_update=environ or {}
        )
        if rc != 0:
            self.module.fail_json(
                msg=failure_message(rc, err), rc=rc, cmd=cmd, stdout=out, stderr=err
            )
        return out, err

    def run_json(self, args, data=None, environ=None):
        """Runs the program and parses its standard output as JSON."""
        out, err = self.run(args, data, environ)
        try:
            return json.loads(out), err
        except ValueError as e:
            self.module.fail_json(
                msg="quarlink-cli printed no JSON result: %s" % e, stdout=out, stderr=err
            )
