#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A D-Bus message bus of the test's own: dbus-daemon listening on a socket in a temporary folder, started here
// and stopped when the object goes. Its configuration is its own, not the session bus's: no folders of services
// to start on demand, so no call to a name that nobody owns starts a program of the desktop's. Nothing reaches
// the desktop's buses. Without dbus-daemon (or when it does not start) Missing() says why; the tests then skip,
// or fail where LOCKWARDEN_REQUIRE_DBUS=1 (CI).
class CPrivateBus {
public:
    CPrivateBus() {
        const QString strDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (strDaemon.isEmpty()) {
            m_strMissing = QStringLiteral("dbus-daemon is not installed (scripts/setup)");
            return;
        }
        if (!m_dir.isValid()) {
            m_strMissing = QStringLiteral("no temporary folder for the bus's socket");
            return;
        }
        const QString strConfig = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile config(strConfig);
        if (!config.open(QIODevice::WriteOnly) ||
            config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                         "<busconfig><type>session</type><auth>EXTERNAL</auth>\n<listen>unix:path=" +
                         QFile::encodeName(m_dir.filePath(QStringLiteral("bus"))) +
                         "</listen>\n"
                         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n") < 0) {
            m_strMissing = QStringLiteral("no configuration for the bus: ") + config.errorString();
            return;
        }
        config.close();
        m_process.setProgram(strDaemon);
        m_process.setArguments({QStringLiteral("--config-file=") + strConfig, QStringLiteral("--nofork"),
                                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000)) {
            m_strMissing = QStringLiteral("dbus-daemon did not start: ") + m_process.errorString();
            return;
        }
        // It prints its address once it listens.
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running && clock.elapsed() < 10000)
            m_process.waitForReadyRead(100);
        m_strAddress = QString::fromUtf8(m_process.readLine()).trimmed();
        if (m_strAddress.isEmpty())
            m_strMissing = QStringLiteral("dbus-daemon gave no address: ") +
                           QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
    }
    ~CPrivateBus() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    CPrivateBus(const CPrivateBus&) = delete;
    CPrivateBus& operator=(const CPrivateBus&) = delete;

    QString Address() const { return m_strAddress; }
    QString Missing() const { return m_strMissing; }
    // An address where no bus listens.
    QString NoBus() const { return QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("no-bus-here")); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_strAddress;
    QString m_strMissing;
};

// Skips the test without a private bus, or fails it where one is required.
#define SKIP_WITHOUT_PRIVATE_BUS(bus)                                                                                  \
    do {                                                                                                               \
        if (!(bus).Missing().isEmpty()) {                                                                              \
            if (qgetenv("LOCKWARDEN_REQUIRE_DBUS") == "1")                                                             \
                FAIL() << "no private bus: " << (bus).Missing().toStdString();                                         \
            GTEST_SKIP() << "no private bus: " << (bus).Missing().toStdString();                                       \
        }                                                                                                              \
    } while (false)
