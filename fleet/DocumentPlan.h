// One settings document for several chosen modules on the LAN (the window's "Apply Settings"),
// with per-module values from a CSV file as `provision --values` takes them: every module gets
// the document's keys, then its row's. Checked as a plan is, before anything is sent. A document
// that `read` printed passes: its identity and derived key are never written, as with `write`.
#pragma once

#include "fleet/LanProvisioning.h"
#include "netmgmt/ModuleRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace quarlink::fleet {

struct ChosenModule
{
    netmgmt::MacAddress mac{};
    std::optional<netmgmt::Ipv4Bytes> address; // reached there (Remote), else by broadcast
};

// A file's name for messages and its text.
struct NamedText
{
    QString name;
    QByteArray text;
};

struct DocumentPlan
{
    std::vector<LanTarget> targets; // in the order chosen, without passwords
    std::string error;              // names the file, the place and the reason
};

// Rows of `values` for modules not chosen are left out; a row naming a serial port is refused.
DocumentPlan planDocument(const NamedText& document, const std::optional<NamedText>& values,
                          const std::vector<ChosenModule>& modules);

} // namespace quarlink::fleet
