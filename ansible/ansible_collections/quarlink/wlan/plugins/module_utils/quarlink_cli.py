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
    "port_wait": ("--port-wait", dict(type="int")),
}

# The secret LAN options: module parameter -> (environment variable of quarlink-cli, parameter
# definition). They reach the program through its environment, as a command line is seen by
# every local user.
LAN_SECRETS = {
    "mgmt_key": ("QUARLINK_MGMT_KEY", dict(type="str", no_log=True)),
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
    arguments = _definitions(LAN_OPTIONS)
    arguments.update(_definitions(LAN_SECRETS))
    return arguments


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


def lan_environment(params):
    """The secret LAN options that are set, as quarlink-cli's environment variables."""
    return dict(
        (variable, str(params[name]))
        for name, (variable, _) in LAN_SECRETS.items()
        if params.get(name) is not None
    )


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


def marked_changed(before, after):
    """The `after` side of a change for a diff: a secret masked on both sides would read as
    unchanged, so its new value shows as the mask marked changed."""
    return dict(
        (
            key,
            MASK + " (changed)"
            if key in SECRET_KEYS and value == MASK and before.get(key) == MASK
            else value,
        )
        for key, value in after.items()
    )


def secret_values(document):
    """The values of a settings document's secret keys, each WEP key of a list on its own, as
    the texts to keep out of logs and results."""
    values = set()
    if not isinstance(document, dict):
        return values
    for key in SECRET_KEYS:
        value = document.get(key)
        for secret in value if isinstance(value, list) else [value]:
            if secret is not None and not isinstance(secret, (bool, dict, list)) and str(secret):
                values.add(str(secret))
    return values


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
        environment (for secrets, which a command line would show), the secret LAN options
        included; returns its output."""
        cmd = [self.path] + list(args)
        environ_update = lan_environment(self.module.params)
        environ_update.update(environ or {})
        rc, out, err = self.module.run_command(
            cmd, data=data, binary_data=True, environ_update=environ_update
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
