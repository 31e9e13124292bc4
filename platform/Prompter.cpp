// The real prompter: Qt's message boxes and file dialogs, owned by the active main window.
#include "platform/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace quarlink::platform {
namespace {

class QtPrompter final : public Prompter
{
public:
    void showMessage(const QString& text, const QString& caption) override
    {
        const auto icon = caption == kErrorCaption ? QMessageBox::NoIcon : QMessageBox::Warning;
        QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    }

    QString getOpenFileName(const QString& caption, const QString& filter,
                            FileDialogOptions options) override
    {
        if (options.mustExist)
            return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, QString(),
                                                filter);
        // An open dialog that also takes a name of a file that is not there; opening it is
        // then the caller's check.
        QFileDialog dialog(QApplication::activeWindow(), caption, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    QString getSaveFileName(const QString& caption, const QString& filter,
                            const QString& suggestedName, FileDialogOptions options) override
    {
        const QFileDialog::Options flags =
            options.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggestedName,
                                            filter, nullptr, flags);
    }

    QString getExistingDirectory(const QString& caption, const QString& startFolder) override
    {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption,
                                                 startFolder);
    }

    int execDialog(QDialog& dialog) override { return dialog.exec(); }
};

QtPrompter g_qtPrompter;
Prompter* g_current = &g_qtPrompter;

} // namespace

Prompter& prompter()
{
    return *g_current;
}

ScopedPrompter::ScopedPrompter(Prompter& p) : m_previous(g_current)
{
    g_current = &p;
}

ScopedPrompter::~ScopedPrompter()
{
    g_current = m_previous;
}

} // namespace quarlink::platform
