// The Port list listed again each time it opens: new ports appear, the chosen one stays chosen.
#include "FormFixture.h"

#include <QAbstractItemView>
#include <QTest>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

class PortList : public FormFixture
{
protected:
    void TearDown() override { combo(IDC_PORT)->hidePopup(); }

    QStringList portNames() const
    {
        QStringList names;
        for (int i = 0; i < combo(IDC_PORT)->count(); ++i)
            names << combo(IDC_PORT)->itemText(i);
        return names;
    }
};

struct OpenGesture
{
    const char* name;
    void (*open)(QComboBox*);
};

const OpenGesture kGestures[] = {
    {"click", [](QComboBox* box) { QTest::mouseClick(box, Qt::LeftButton); }},
    {"F4", [](QComboBox* box) { QTest::keyClick(box, Qt::Key_F4); }},
    {"Alt+Down", [](QComboBox* box) { QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier); }},
    {"Space", [](QComboBox* box) { QTest::keyClick(box, Qt::Key_Space); }},
};

TEST_F(PortList, APortThatAppearsAfterStartIsOfferedOnTheNextOpening)
{
    for (const auto& gesture : kGestures) {
        SCOPED_TRACE(gesture.name);
        view->FillPortList();
        combo(IDC_PORT)->setCurrentIndex(1);
        combo(IDC_BAUD_RATE)->setCurrentIndex(0);
        ports.entries->push_back({"ttyACM0", "USB modem\nSome Maker"});

        gesture.open(combo(IDC_PORT));
        EXPECT_TRUE(combo(IDC_PORT)->view()->isVisible());
        EXPECT_EQ(portNames(), (QStringList{"ttyS0", "ttyUSB0", "ttyACM0"}));
        EXPECT_EQ(combo(IDC_PORT)->itemData(2, Qt::ToolTipRole).toString(),
                  "USB modem\nSome Maker");
        EXPECT_EQ(combo(IDC_PORT)->currentText(), "ttyUSB0");
        EXPECT_EQ(combo(IDC_PORT)->toolTip(), "USB adapter (FTDI)");
        EXPECT_EQ(combo(IDC_BAUD_RATE)->currentIndex(), 0); // the line settings stay
        combo(IDC_PORT)->hidePopup();
        ports.entries->pop_back();
    }
}

TEST_F(PortList, AChosenPortThatVanishedGivesWayToTheFirstEntry)
{
    combo(IDC_PORT)->setCurrentIndex(1);
    ports.entries = std::vector<platform::PortEntry>{{"ttyS0", "Built-in port"}};
    QTest::mouseClick(combo(IDC_PORT), Qt::LeftButton);
    EXPECT_EQ(portNames(), QStringList{"ttyS0"});
    EXPECT_EQ(combo(IDC_PORT)->currentIndex(), 0);
}

TEST_F(PortList, ALockedListIsNotListedAgain)
{
    ports.entries->push_back({"ttyACM0", ""});
    combo(IDC_PORT)->setEnabled(false); // as while the port is open
    QTest::mouseClick(combo(IDC_PORT), Qt::LeftButton);
    EXPECT_EQ(portNames(), (QStringList{"ttyS0", "ttyUSB0"}));
}

} // namespace
} // namespace quarlink::testing
