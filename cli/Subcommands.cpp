#include "cli/Subcommands.h"

#include <algorithm>

namespace quarlink::cli {

namespace {

constexpr Subcommand kSubcommands[] = {
#define QUARLINK_SUBCOMMAND(name, function, summary) {name, function, summary},
#include "cli/SubcommandList.h"
#undef QUARLINK_SUBCOMMAND
};

} // namespace

std::span<const Subcommand> subcommands()
{
    return kSubcommands;
}

const Subcommand* findSubcommand(const QString& name)
{
    const auto found =
        std::find_if(std::begin(kSubcommands), std::end(kSubcommands),
                     [&](const Subcommand& s) { return name == QLatin1String(s.name); });
    return found == std::end(kSubcommands) ? nullptr : found;
}

} // namespace quarlink::cli
