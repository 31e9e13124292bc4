#include "firmware/UpdateVerdicts.h"

namespace quarlink::firmware {

void UpdateVerdicts::updateTimedOut()
{
    m_host.stopUpdateTimer();
    m_host.closeWaitWindow();
    if (m_host.isSerialMode())
        m_host.showMessage(kUpdateTimeoutMessage);
}

void UpdateVerdicts::updateSucceeded()
{
    m_host.stopUpdateTimer();
    m_host.closeWaitWindow();
    m_host.showMessage(kUpdateSuccess);
}

void UpdateVerdicts::updateRefused()
{
    m_host.stopUpdateTimer();
    m_host.closeWaitWindow();
}

void UpdateVerdicts::statusAnswer(bool lastByteIsZero)
{
    // What the module means by it is not known; it stops the wait but the window stays.
    m_host.stopUpdateTimer();
    if (lastByteIsZero)
        m_host.showMessage(kStatusAnswerMessage);
}

} // namespace quarlink::firmware
