// Entry point of the quarlink program.
#include "app/CQuarlinkApp.h"
#include "app/CommandLine.h"
#include "platform/SerialPortList.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const auto status = quarlink::app::answerInformationOptions(argc, argv))
        return *status;
    QApplication qapp(argc, argv);
    // Ties the window to its desktop entry (icon and name in docks and task lists).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUARLINK_APP_ID));
    const bool allCommands =
        QCoreApplication::arguments().contains(QLatin1String(quarlink::app::kAllCommandsOption));
    quarlink::app::CQuarlinkApp app(std::make_unique<quarlink::platform::SystemPortList>(),
                                    allCommands);
    if (!app.InitInstance())
        return 1;
    if (allCommands &&
        QCoreApplication::arguments().contains(QLatin1String(quarlink::app::kLanModulesOption)))
        app.OpenLanModulesSearching();
    return QApplication::exec();
}
