// The subcommands of quarlink-cli, one line each: QUARLINK_SUBCOMMAND(name, function, summary).
// A subcommand is a function `int function(const Invocation&)` in a file of its own in cli/;
// adding one is that file plus its line here. PskCommand.cpp is a subcommand without a module;
// GetCommand.cpp one that talks to a module through SerialSession and LineOptions.
QUARLINK_SUBCOMMAND("ports", runPorts,
                    "Lists the serial ports as the window's Port list shows them")
QUARLINK_SUBCOMMAND("get", runGet, "Reads every setting of a module (Get Info)")
QUARLINK_SUBCOMMAND("set", runSet, "Writes a settings document to a module (Set Info)")
QUARLINK_SUBCOMMAND("psk", runPsk, "Derives the WPA pre-shared key of a pass phrase and an SSID")
QUARLINK_SUBCOMMAND("setup", runSetup,
                    "Saves the module's setup text to a file, or uploads a setup file")
QUARLINK_SUBCOMMAND("firmware", runFirmware,
                    "Sends a firmware image to a module and awaits its verdict")
QUARLINK_SUBCOMMAND("search", runSearch, "Lists the modules on the LAN (Local or Remote search)")
QUARLINK_SUBCOMMAND("read", runRead, "Reads one module's settings over the LAN")
QUARLINK_SUBCOMMAND("write", runWrite, "Writes a settings document to a module over the LAN")
QUARLINK_SUBCOMMAND("provision", runProvision,
                    "Applies one plan to many modules over the LAN and serial ports at once")
QUARLINK_SUBCOMMAND("doctor", runDoctor,
                    "Checks what stands between this machine and a module, and how to mend it")
