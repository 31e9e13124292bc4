// The about box: icon, program name and version, and the maker's notice.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDlg;
}

namespace quarlink::app {

class CAboutDlg : public QDialog
{
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::AboutDlg> m_ui;
};

} // namespace quarlink::app
