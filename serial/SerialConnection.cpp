// Open and close of port and reader in the order that keeps the reader off a closed port.
#include "serial/SerialConnection.h"

#include <utility>

namespace quarlink::serial {

SerialConnection::SerialConnection(PostToOwner postToOwner, ReaderCallbacks callbacks)
    : m_reader(std::move(postToOwner), std::move(callbacks))
{
}

SerialConnection::~SerialConnection()
{
    close();
}

os::OpenResult SerialConnection::open(std::string_view portName, const LineSettings& settings)
{
    close();
    os::OpenResult result = m_port.open(portName, settings);
    if (!result.ok())
        return result;
    if (const int error = m_reader.start(m_port); error != 0) {
        m_port.close();
        return os::OpenResult::failure(os::OpenStep::Reader, error);
    }
    return result;
}

void SerialConnection::close()
{
    if (!m_port.isOpen())
        return;
    m_reader.stop();
    m_port.close(); // lets written bytes out, then purges both queues
}

} // namespace quarlink::serial
