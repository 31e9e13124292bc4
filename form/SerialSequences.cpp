// "Get Info" and "Set Info" over the serial link: the form as the host of the sequence engine,
// which drives the commands, the answers and the answer time-out.
#include "form/CQuarlinkView.h"

#include "platform/Prompter.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "form/SequenceHostAdapter.h"

namespace quarlink::form {

using namespace quarlink::ids;

void CQuarlinkView::createSequenceEngine()
{
    m_sequenceHost = std::make_unique<SequenceHostAdapter>(*this);
    m_engine = std::make_unique<serial::SequenceEngine>(*m_sequenceHost);
}

void CQuarlinkView::OnGetInfo()
{
    if (connectionMode == ConnectionMode::TcpIp) {
        // Reading is done by the network panel in this mode.
        enable({IDC_GET_INFO, IDC_SET_INFO}, false);
        return;
    }
    m_engine->startGetInfo();
}

void CQuarlinkView::OnSetInfo()
{
    if (connectionMode == ConnectionMode::TcpIp) {
        enable({IDC_GET_INFO, IDC_SET_INFO}, false);
        WriteSelectedModule();
        return;
    }
    m_engine->startSetInfo();
}

void CQuarlinkView::KeepSetupText(std::span<const std::uint8_t> text)
{
    setupText.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), setupText.size() - 1), setupText.begin());
    refreshForm();
    settingsRead = 1;
}

} // namespace quarlink::form
