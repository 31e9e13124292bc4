// A label that shows changing information (a percentage, a countdown). Its accessible name is
// the text shown, kept up to date, so that screen readers read what is on the screen; setting
// the name tells the accessibility bus that it changed. The label's fixed role belongs in its
// accessible description.
#pragma once

#include <QLabel>

namespace quarlink::platform {

inline void showLiveText(QLabel& label, const QString& text)
{
    label.setText(text);
    label.setAccessibleName(text);
}

} // namespace quarlink::platform
