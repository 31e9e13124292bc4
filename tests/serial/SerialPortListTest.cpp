// The Port list source: system ports, then the extra ports named in the environment.
#include "platform/SerialPortList.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace quarlink::platform {
namespace {

// Sets or unsets QUARLINK_EXTRA_PORTS for one test and restores it afterwards.
class ExtraPortsVariable
{
public:
    explicit ExtraPortsVariable(const char* value)
        : m_wasSet(qEnvironmentVariableIsSet(kExtraPortsVariable)),
          m_old(qgetenv(kExtraPortsVariable))
    {
        if (value)
            qputenv(kExtraPortsVariable, value);
        else
            qunsetenv(kExtraPortsVariable);
    }
    ~ExtraPortsVariable()
    {
        if (m_wasSet)
            qputenv(kExtraPortsVariable, m_old);
        else
            qunsetenv(kExtraPortsVariable);
    }

private:
    bool m_wasSet;
    QByteArray m_old;
};

const QString kMissingSource = QStringLiteral("/nonexistent/quarlink/tty");

QStringList namesOf(const std::vector<PortEntry>& entries)
{
    QStringList names;
    for (const PortEntry& entry : entries)
        names << entry.name;
    return names;
}

TEST(SerialPortList, ExtraPortsSplitAtColonsSkippingEmptyParts)
{
    const std::pair<QString, QStringList> cases[] = {
        {"", {}},
        {":::", {}},
        {"/dev/pts/7", {"/dev/pts/7"}},
        {"/dev/pts/7:/tmp/quarlink-sim", {"/dev/pts/7", "/tmp/quarlink-sim"}},
        {"::/dev/pts/7::/tmp/quarlink-sim:", {"/dev/pts/7", "/tmp/quarlink-sim"}},
    };
    for (const auto& [list, paths] : cases)
        EXPECT_EQ(splitExtraPorts(list), paths) << list.toStdString();
}

TEST(SerialPortList, ExtraPortsFollowTheSystemPortsOnceEachWithATip)
{
    ExtraPortsVariable extra("/dev/pts/7::/tmp/quarlink-sim:/dev/pts/7");
    const auto withExtra = SystemPortList().ports();
    ASSERT_TRUE(withExtra.has_value());
    const QStringList names = namesOf(*withExtra);
    ASSERT_GE(names.size(), 2);
    EXPECT_EQ(names.mid(names.size() - 2), QStringList({"/dev/pts/7", "/tmp/quarlink-sim"}));
    EXPECT_FALSE(withExtra->back().toolTip.isEmpty());
}

TEST(SerialPortList, WithoutExtraPortsOnlyTheSystemPortsAreListed)
{
    // Without the system's device list (a minimal container or chroot has no /sys) there are
    // no system ports to compare with.
    const QFileInfo source{QLatin1String(kSystemPortSource)};
    if (!source.isDir() || !source.isReadable())
        GTEST_SKIP() << kSystemPortSource << " cannot be read here: the system's ports are unknown";
    ExtraPortsVariable unset(nullptr);
    const auto ports = SystemPortList().ports();
    ASSERT_TRUE(ports.has_value());
    for (const PortEntry& entry : *ports)
        EXPECT_FALSE(entry.name.startsWith('/')) << entry.name.toStdString();

    ExtraPortsVariable empty("");
    EXPECT_EQ(namesOf(*SystemPortList().ports()), namesOf(*ports));
}

TEST(SerialPortList, AnUnreadableSystemSourceGivesNothingUnlessExtraPortsAreNamed)
{
    {
        ExtraPortsVariable unset(nullptr);
        EXPECT_FALSE(SystemPortList(kMissingSource).ports().has_value());
    }
    ExtraPortsVariable extra("/tmp/quarlink-sim");
    const auto ports = SystemPortList(kMissingSource).ports();
    ASSERT_TRUE(ports.has_value());
    EXPECT_EQ(namesOf(*ports), QStringList({"/tmp/quarlink-sim"}));
}

} // namespace
} // namespace quarlink::platform
