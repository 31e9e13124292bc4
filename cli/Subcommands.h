// The dispatch table of quarlink-cli, built from SubcommandList.h.
#pragma once

#include "cli/CliCommon.h"

#include <span>

namespace quarlink::cli {

#define QUARLINK_SUBCOMMAND(name, function, summary) int function(const Invocation& invocation);
#include "cli/SubcommandList.h"
#undef QUARLINK_SUBCOMMAND

struct Subcommand
{
    const char* name;
    int (*run)(const Invocation& invocation);
    const char* summary;
};

std::span<const Subcommand> subcommands();
const Subcommand* findSubcommand(const QString& name);

} // namespace quarlink::cli
