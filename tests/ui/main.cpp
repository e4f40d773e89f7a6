#include "PrivateSession.h"

#include "core/database/SealedFormat.h"

#include <QApplication>
#include <QLabel>
#include <cstring>

#include <gtest/gtest.h>

// Widget tests run offscreen in a desktop session of their own, so nothing reaches the user's desktop
// or configuration.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const CPrivateSession session;
    if (!session.IsReady())
        return 1;
    QApplication app(argc, argv);
    // Another program for the tests that give the focus away: a window of its own until it is killed.
    if (argc == 2 && std::strcmp(argv[1], "--another-program") == 0) {
        QLabel window(QStringLiteral("Another program"));
        window.setWindowTitle(QStringLiteral("Another program"));
        window.show();
        return app.exec();
    }
    ::testing::InitGoogleTest(&argc, argv);
    // Keys made by the tests take the lowest cost a reader accepts; the program's own is measured in bench/.
    SealedFormat::SetNewKeyCost(SealedFormat::kMinCost);
    return RUN_ALL_TESTS();
}
