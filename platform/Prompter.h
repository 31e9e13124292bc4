// The one seam through which the program asks the operator anything: message boxes, file
// dialogs and modal dialogs. The application installs the real Qt implementation; tests install
// a recorder that reads and answers them without blocking.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace quarlink::platform {

// The application's title, the caption of every message box but those captioned "Error".
inline const QString kAppTitle = QStringLiteral("Quarlink");
inline const QString kErrorCaption = QStringLiteral("Error");

// How a file dialog treats the name chosen: the defaults are the usual ones; a dialog may take
// a name that does not exist yet, or overwrite a file without asking.
struct FileDialogOptions
{
    bool mustExist = true;        // open dialogs
    bool confirmOverwrite = true; // save dialogs
};

class Prompter
{
public:
    virtual ~Prompter() = default;

    // A modal message box with one OK button. A box captioned "Error" carries no icon; every
    // other caption carries the warning icon.
    virtual void showMessage(const QString& text, const QString& caption) = 0;

    // File dialogs; an empty result means the operator cancelled.
    virtual QString getOpenFileName(const QString& caption, const QString& filter,
                                    FileDialogOptions options = {}) = 0;
    virtual QString getSaveFileName(const QString& caption, const QString& filter,
                                    const QString& suggestedName,
                                    FileDialogOptions options = {}) = 0;

    // A folder that exists, chosen starting at `startFolder`; empty when cancelled.
    virtual QString getExistingDirectory(const QString& caption, const QString& startFolder) = 0;

    // Runs a modal dialog and returns its result code (QDialog::Accepted / Rejected).
    virtual int execDialog(QDialog& dialog) = 0;
};

// The prompter in force; the Qt implementation unless one was installed.
Prompter& prompter();

// Installs `p` for the lifetime of this object (tests), restoring the previous one after.
class ScopedPrompter
{
public:
    explicit ScopedPrompter(Prompter& p);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* m_previous;
};

// Shorthand for the common case: a box with the application's title and the warning icon.
inline void messageBox(const QString& text, const QString& caption = kAppTitle)
{
    prompter().showMessage(text, caption);
}

} // namespace quarlink::platform
