// What the network manager needs from its owner: a status line, message boxes, the module
// list, the form's settings for a write, and a way to wait for an exchange. The window and the
// command line each implement it.
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace quarlink::netmgmt {

class NetworkHost
{
public:
    virtual ~NetworkHost() = default;

    // The status line ("Printer Status" on the form).
    virtual void showStatus(const std::string& text) = 0;
    // A message box with one OK button.
    virtual void showMessage(const std::string& text) = 0;

    // The module list: one line per module table entry, in table order.
    virtual void clearModuleList() = 0;
    virtual void addModuleLine(const std::string& line) = 0;
    virtual std::optional<std::size_t> selectedLine() const = 0;
    // Selects `line` and shows that entry's record (the form's FillFormFromRecord).
    virtual void selectAndShowLine(std::size_t line) = 0;

    // Writes the form's settings over `record` for a write; false when they were refused (the
    // reason has been shown) and nothing may be sent.
    virtual bool takeSettingsInto(ModuleRecord& record) = 0;
    // "Set Info" usable again after a write.
    virtual void enableSetInfo() = 0;
    // After a module answered a write with success: empty when its answer record `answer` holds
    // what the write changed from `read` (its entry as it was) to `sent`; else which setting did
    // not take, shown in place of the success. By default the answer is taken as it is.
    virtual std::string untakenChange(const ModuleRecord& read, const ModuleRecord& sent,
                                      const ModuleRecord& answer)
    {
        (void)read, (void)sent, (void)answer;
        return {};
    }

    // Runs one blocking exchange. It touches nothing of the host; the window keeps repainting
    // while it runs, the command line simply waits.
    virtual void waitFor(const std::function<void()>& exchange) { exchange(); }
};

} // namespace quarlink::netmgmt
