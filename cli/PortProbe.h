// Probing a serial port for the module: the port opened at each speed asked for, the identity
// request sent as Get Info begins ('S', then 'C'), and 'G' where the module answered before
// the port is closed again. The outcome is one line of text.
#pragma once

#include "cli/LineOptions.h"
#include "serial/SerialPort.h"

#include <string>

namespace quarlink::cli {

struct ProbeOutcome
{
    bool found = false; // a module answered
    // "module 00:11:22:33:44:55 firmware 1.2a at 57600", "no answer",
    // "busy, held by minicom (process 1234)", "permission denied (add the user to dialout)", ...
    std::string text;
};

// Probes `choice.port` at its speed, or with `choice.autoBaud` at each of kAutoBaudRates until
// the module answers.
ProbeOutcome probePort(const LineChoice& choice);

// Why an open of `path` failed, in the probe's words.
std::string openFailureText(const std::string& path, const serial::OpenResult& result);

} // namespace quarlink::cli
