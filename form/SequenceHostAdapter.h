// The form as the host of the serial sequence engine: the engine's requests mapped onto the
// form's port, timers, values and operator prompts.
#pragma once

#include "form/CQuarlinkView.h"
#include "platform/Prompter.h"
#include "platform/WindowTimers.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "serial/SequenceHost.h"

namespace quarlink::form {

class CQuarlinkView::SequenceHostAdapter final : public serial::SequenceHost
{
public:
    explicit SequenceHostAdapter(CQuarlinkView& view) : m_view(view) {}

    void writeBytes(std::span<const std::uint8_t> bytes) override { m_view.writeToPort(bytes); }
    bool isConnectionOpen() const override { return m_view.isPortOpen(); }
    void closeConnection() override { m_view.OnClose(); }
    void startAnswerTimer() override
    {
        m_view.timers().setTimer(kAnswerTimerId, serial::SequenceEngine::kAnswerTimeout);
    }
    void stopAnswerTimer() override { m_view.timers().killTimer(kAnswerTimerId); }
    bool collectSettings() override { return m_view.collectForm(); }
    std::vector<std::uint8_t> itemPayload(std::uint8_t item) override
    {
        return m_view.BuildItemPayload(item);
    }
    void showIdentity(std::span<const std::uint8_t> record) override
    {
        m_view.ShowModuleIdentity(record);
    }
    void showItem(std::uint8_t item, std::span<const std::uint8_t> payload) override
    {
        m_view.ShowSettingsItem(item, payload);
    }
    void keepSetupText(std::span<const std::uint8_t> text) override { m_view.KeepSetupText(text); }
    void showMessage(const std::string& text) override
    {
        platform::messageBox(QString::fromStdString(text));
    }
    void enableGetInfo(bool on) override { m_view.control(ids::IDC_GET_INFO)->setEnabled(on); }
    void enableSetInfo(bool on) override { m_view.control(ids::IDC_SET_INFO)->setEnabled(on); }

private:
    CQuarlinkView& m_view;
};

} // namespace quarlink::form
