// The protocol trace of the window: the serial engine, the network manager and the firmware
// sender report to the one sink the application opened from QUARLINK_TRACE.
#include "form/CQuarlinkView.h"

#include "serial/SequenceEngine.h"

namespace quarlink::form {

void CQuarlinkView::setTrace(trace::TraceSink* sink)
{
    m_trace = sink;
    m_engine->setTrace(sink);
    if (m_netManager)
        m_netManager->setTrace(sink);
}

} // namespace quarlink::form
