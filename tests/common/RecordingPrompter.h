// A prompter for tests: records every message box and answers file and folder dialogs and modal
// dialogs from queued answers, so nothing ever blocks.
#pragma once

#include "platform/Prompter.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace quarlink::testing {

struct ShownMessage
{
    QString text;
    QString caption;
};

class RecordingPrompter : public platform::Prompter
{
public:
    RecordingPrompter() : m_scope(*this) {}

    void showMessage(const QString& text, const QString& caption) override
    {
        messages.push_back({text, caption});
        if (onMessage)
            onMessage(text);
    }
    QString getOpenFileName(const QString& caption, const QString& filter,
                            platform::FileDialogOptions options) override
    {
        fileDialogs.push_back({caption, filter});
        fileDialogOptions.push_back(options);
        return takeFileAnswer();
    }
    QString getSaveFileName(const QString& caption, const QString& filter, const QString&,
                            platform::FileDialogOptions options) override
    {
        fileDialogs.push_back({caption, filter});
        fileDialogOptions.push_back(options);
        return takeFileAnswer();
    }
    QString getExistingDirectory(const QString& caption, const QString&) override
    {
        fileDialogs.push_back({caption, {}});
        fileDialogOptions.push_back({});
        return takeFileAnswer();
    }
    int execDialog(QDialog& dialog) override
    {
        dialogs.push_back(dialog.windowTitle());
        return dialogAnswer ? dialogAnswer(dialog) : QDialog::Rejected;
    }

    QStringList texts() const
    {
        QStringList out;
        for (const auto& m : messages)
            out << m.text;
        return out;
    }

    std::vector<ShownMessage> messages;
    std::vector<std::pair<QString, QString>> fileDialogs; // caption, filter
    std::vector<platform::FileDialogOptions> fileDialogOptions;
    std::deque<QString> fileAnswers; // empty string: cancelled
    QStringList dialogs;             // window titles of modal dialogs
    std::function<int(QDialog&)> dialogAnswer;
    std::function<void(const QString&)> onMessage;

private:
    QString takeFileAnswer()
    {
        if (fileAnswers.empty())
            return {};
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    platform::ScopedPrompter m_scope;
};

} // namespace quarlink::testing
