#include "app/CAboutDlg.h"

#include "ui_AboutDlg.h"

namespace quarlink::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::AboutDlg>())
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

CAboutDlg::~CAboutDlg() = default;

} // namespace quarlink::app
