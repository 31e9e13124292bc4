// Runs a function just before a combo box opens its list, by mouse or by keyboard, so that the
// entries can be brought up to date first (the Port list re-scans the machine's ports).
#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace quarlink::platform {

class ComboOpenWatcher : public QObject
{
public:
    // Watches `box` for as long as the box lives; `beforeOpen` runs on the UI thread.
    ComboOpenWatcher(QComboBox* box, std::function<void()> beforeOpen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool opensList(const QEvent* event) const;

    QComboBox* m_box;
    std::function<void()> m_beforeOpen;
};

} // namespace quarlink::platform
