#include "app/CQuarlinkDoc.h"

#include <QFile>

namespace quarlink::app {

void CQuarlinkDoc::SetTitle(const QString& title)
{
    m_title = title;
    emit titleChanged(m_title);
}

bool CQuarlinkDoc::SaveTo(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool CQuarlinkDoc::CanOpen(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

} // namespace quarlink::app
