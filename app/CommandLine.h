// The program's own command-line options. They are answered before the QApplication exists,
// so `quarlink --help` and `--version` work without a display (man page generation, a shell
// over ssh). Everything else on the command line is left to Qt's standard processing.
#pragma once

#include <optional>

namespace quarlink::app {

// The exit status when the command line asked only for information (help or version), which
// has then been printed; nothing when the program should start.
std::optional<int> answerInformationOptions(int argc, char** argv);

} // namespace quarlink::app
