// Writing a settings document to a module over the serial link, over what Get Info read from
// it: a changed setup text is uploaded first, then Set Info writes every item, each item the
// document leaves as it was exactly as the module sent it.
#pragma once

#include "cli/SerialSession.h"

namespace quarlink::cli {

bool writeDocument(SerialSession& session, const ModuleReadout& readout,
                   const settings::SettingsDocument& wanted);

} // namespace quarlink::cli
