// The form as the host of the network manager: statuses in "Printer Status", boxes through the
// prompter, the module list, the form's settings for a write, and exchanges waited for without
// freezing the window.
#pragma once

#include "form/CQuarlinkView.h"
#include "netmgmt/NetworkHost.h"
#include "platform/BusyWait.h"
#include "platform/Prompter.h"
#include "resources/ControlIds.h"
#include "settings/RecordCarriage.h"
#include "settings/RecordMapping.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace quarlink::form {

class CQuarlinkView::NetworkHostAdapter final : public netmgmt::NetworkHost
{
public:
    explicit NetworkHostAdapter(CQuarlinkView& view) : m_view(view) {}

    void showStatus(const std::string& text) override
    {
        m_view.m_values.printerStatus = QString::fromStdString(text);
        m_view.refreshForm();
    }
    void showMessage(const std::string& text) override
    {
        platform::messageBox(QString::fromStdString(text));
    }
    // The list is changed without its selection notification: only the operator's choice of a
    // line, or a read, shows a record.
    void clearModuleList() override
    {
        const QSignalBlocker quiet(list());
        list()->clear();
    }
    void addModuleLine(const std::string& line) override
    {
        const QSignalBlocker quiet(list());
        list()->addItem(QString::fromStdString(line));
    }
    std::optional<std::size_t> selectedLine() const override
    {
        const int row = list()->currentRow();
        if (row < 0 || !list()->item(row)->isSelected())
            return std::nullopt;
        return static_cast<std::size_t>(row);
    }
    void selectAndShowLine(std::size_t line) override
    {
        {
            const QSignalBlocker quiet(list());
            list()->setCurrentRow(static_cast<int>(line));
        }
        m_view.FillFormFromRecord();
    }
    bool takeSettingsInto(netmgmt::ModuleRecord& record) override
    {
        return m_view.TakeSettingsIntoRecord(record);
    }
    void enableSetInfo() override { m_view.control(ids::IDC_SET_INFO)->setEnabled(true); }
    // The comparison `write` makes: each setting the form changed must be in the answer.
    std::string untakenChange(const netmgmt::ModuleRecord& read, const netmgmt::ModuleRecord& sent,
                              const netmgmt::ModuleRecord& answer) override
    {
        const settings::SettingsDocument wanted = settings::documentFromRecord(sent);
        return settings::untakenKey(
            answer, wanted, settings::settingsChange(settings::documentFromRecord(read), wanted));
    }
    void waitFor(const std::function<void()>& exchange) override
    {
        platform::runWhileRepainting(exchange);
    }

private:
    QListWidget* list() const { return m_view.control<QListWidget>(ids::IDC_MODULE_LIST); }

    CQuarlinkView& m_view;
};

} // namespace quarlink::form
