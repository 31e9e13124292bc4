// Test entry point for tests that need widgets: one headless QApplication for the whole binary.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // One folder per user, named after the user's home folder.
        const std::string dir = QDir::tempPath().toStdString() + "/quarlink-runtime-" +
                                QDir::home().dirName().toStdString();
        QDir().mkpath(QString::fromStdString(dir));
        QFile::setPermissions(QString::fromStdString(dir),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir));
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
