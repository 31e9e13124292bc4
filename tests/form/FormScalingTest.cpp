// The form in larger fonts: every shown text keeps room in its control, and the controls keep
// their places relative to each other.
#include "FormFixture.h"
#include "form/IpAddressField.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

// What of a shown control's text does not fit, or an empty text.
QString clipped(QWidget* w)
{
    int needed = 0;
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
        qobject_cast<QComboBox*>(w))
        needed = w->sizeHint().width();
    else if (auto* group = qobject_cast<QGroupBox*>(w); group && !group->title().isEmpty())
        needed = w->fontMetrics().horizontalAdvance(group->title()) + 16;
    else if (dynamic_cast<form::IpAddressField*>(w))
        needed = w->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 10;
    if (w->width() >= needed && w->height() >= w->fontMetrics().height())
        return {};
    return QStringLiteral("%1 is %2x%3, needs %4 wide")
        .arg(w->objectName())
        .arg(w->width())
        .arg(w->height())
        .arg(needed);
}

class FormScaling : public FormFixture
{
protected:
    void TearDown() override { QApplication::setFont(m_appFont); }

    // A form made under the application font `pointSize`.
    std::unique_ptr<form::CQuarlinkView> formInFont(int pointSize)
    {
        QFont font = m_appFont;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        auto form = std::make_unique<form::CQuarlinkView>(&ports);
        form->OnInitialUpdate();
        QApplication::setFont(m_appFont);
        return form;
    }

private:
    QFont m_appFont = QApplication::font();
};

TEST_F(FormScaling, NoShownTextIsClippedInTheLayoutFontOrLargerOnes)
{
    for (int pointSize : {9, 10, 11, 12, 14, 18, 24}) {
        SCOPED_TRACE(pointSize);
        const auto form = formInFont(pointSize);
        QStringList problems;
        for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isHidden())
                problems << clipped(w);
        }
        problems.removeAll(QString());
        EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
    }
}

TEST_F(FormScaling, PlacesGrowWithTheFontAndKeepTheirOrder)
{
    const auto small = formInFont(9);
    const auto large = formInFont(18);
    const double across = double(large->width()) / small->width();
    const double down = double(large->height()) / small->height();
    EXPECT_GT(across, 1.5);
    EXPECT_GT(down, 1.5);
    for (int id : {IDC_PORT, IDC_OPEN, IDC_SSID, IDC_WPA_ENCRYPTION, IDC_KEY4, IDC_SET_INFO}) {
        const QRect a = small->control(id)->geometry();
        const QRect b = large->control(id)->geometry();
        EXPECT_NEAR(b.left(), a.left() * across, 2) << id;
        EXPECT_NEAR(b.top(), a.top() * down, 2) << id;
        EXPECT_NEAR(b.right() + 1, (a.right() + 1) * across, 2) << id;
    }
}

} // namespace
} // namespace quarlink::testing
