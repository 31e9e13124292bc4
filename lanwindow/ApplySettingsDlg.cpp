#include "lanwindow/ApplySettingsDlg.h"

#include "lanwindow/LabelledField.h"
#include "platform/Prompter.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace quarlink::lanwindow {

namespace {

// A path field with its label and its "Browse..." button on one row of `grid`.
QLineEdit* addPathRow(QGridLayout* grid, QWidget* parent, const QString& label, const QString& name,
                      const QString& caption, const QString& filter)
{
    const int row = grid->rowCount();
    auto* path = new QLineEdit(parent);
    path->setObjectName(name);
    path->setMinimumWidth(path->fontMetrics().averageCharWidth() * 48);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), parent);
    browse->setObjectName(name + QStringLiteral("Browse"));
    browse->setAccessibleName(QStringLiteral("Browse for ") +
                              QString(label).remove(QLatin1Char('&')).chopped(1));
    grid->addWidget(labelFor(path, label), row, 0);
    grid->addWidget(path, row, 1);
    grid->addWidget(browse, row, 2);
    QObject::connect(browse, &QPushButton::clicked, parent, [path, caption, filter] {
        const QString chosen = platform::prompter().getOpenFileName(caption, filter);
        if (!chosen.isEmpty())
            path->setText(chosen);
    });
    return path;
}

} // namespace

ApplySettingsDlg::ApplySettingsDlg(int modules, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Apply Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* grid = new QGridLayout(this);
    auto* prompt = new QLabel(
        QStringLiteral("The settings to read, compare and then write to the %1 module(s) chosen:")
            .arg(modules),
        this);
    grid->addWidget(prompt, 0, 0, 1, 3);
    m_document = addPathRow(grid, this, QStringLiteral("Settings &document:"),
                            QStringLiteral("documentPath"), QStringLiteral("Settings Document"),
                            QStringLiteral("Settings documents (*.json);;All Files (*.*)"));
    m_values = addPathRow(grid, this, QStringLiteral("Per-module &values (optional):"),
                          QStringLiteral("valuesPath"), QStringLiteral("Per-Module Values"),
                          QStringLiteral("CSV files (*.csv);;All Files (*.*)"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* button : buttons->buttons())
        nameAfterText(button, button->text());
    grid->addWidget(buttons, grid->rowCount(), 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

} // namespace quarlink::lanwindow
