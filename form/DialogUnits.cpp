#include "form/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quarlink::form {

namespace {

constexpr double kLayoutLettersWidth = 385.0; // "A".."Z" "a".."z" in the layout font
constexpr double kLayoutLineHeight = 14.0;

int scaled(int coordinate, double factor)
{
    return static_cast<int>(std::lround(coordinate * factor));
}

QRect scaled(const QRect& r, FontScale s)
{
    const int left = scaled(r.left(), s.x);
    const int top = scaled(r.top(), s.y);
    return QRect(QPoint(left, top), QPoint(scaled(r.left() + r.width(), s.x) - 1,
                                           scaled(r.top() + r.height(), s.y) - 1));
}

} // namespace

FontScale fontScaleFor(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {std::max(1.0, letters / kLayoutLettersWidth),
            std::max(1.0, metrics.height() / kLayoutLineHeight)};
}

void scaleForm(QWidget& form, FontScale scale)
{
    if (scale.x == 1.0 && scale.y == 1.0)
        return;
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(scaled(child->geometry(), scale));
    form.resize(scaled(form.width(), scale.x), scaled(form.height(), scale.y));
}

} // namespace quarlink::form
