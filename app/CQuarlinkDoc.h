// The program's one document. It holds no data; only its title shows in the window caption.
#pragma once

#include <QObject>
#include <QString>

namespace quarlink::app {

class CQuarlinkDoc : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    const QString& title() const { return m_title; }
    void SetTitle(const QString& title);

    // A new document starts with no title; the form then names it.
    void OnNewDocument() { SetTitle(QString()); }

    // Saving writes a file with no content; opening reads nothing. Both report whether the
    // file could be used at all.
    static bool SaveTo(const QString& path);
    static bool CanOpen(const QString& path);

signals:
    void titleChanged(const QString& title);

private:
    QString m_title;
};

} // namespace quarlink::app
