#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

// The .lwd type is not installed on the machine that runs the tests, so the package from packaging/ goes into
// a temporary data folder that Qt's MIME database reads from. That has to happen before anything asks the
// database, which caches what it found.
int main(int argc, char** argv) {
    QTemporaryDir dataHome;
    const QString strPackages = dataHome.filePath(QStringLiteral("mime/packages"));
    if (!dataHome.isValid() || !QDir().mkpath(strPackages) ||
        !QFile::copy(QStringLiteral(LOCKWARDEN_PACKAGING_DIR "/lockwarden-mime.xml"),
                     strPackages + QStringLiteral("/lockwarden-mime.xml"))) {
        std::fprintf(stderr, "cannot lay out the temporary MIME folder\n");
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    // Nothing here is shown; test discovery runs this without the tests' environment, so without a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
