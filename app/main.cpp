// Entry point of the quarlink program.
#include "app/CQuarlinkApp.h"
#include "platform/SerialPortList.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    const bool allCommands =
        QCoreApplication::arguments().contains(QLatin1String(quarlink::app::kAllCommandsOption));
    quarlink::app::CQuarlinkApp app(std::make_unique<quarlink::platform::SystemPortList>(),
                                    allCommands);
    if (!app.InitInstance())
        return 1;
    return QApplication::exec();
}
