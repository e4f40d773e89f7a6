// A desktop session as eager as a real one can be, for tests/desktop/beside-a-desktop: on the session bus a
// screen saver that owns the usual names and says ActiveChanged(true) ten times a second; on the system bus a
// logind that answers GetSession and GetSessionByPID and says PrepareForSleep(true) and Lock as often; on its
// display, a clipboard holding a text of the user's. It writes what reached it to the report file each time
// that changes: every client that joined either bus, every call, and every change of its clipboard.
//
//     fake-desktop SESSION-BUS SYSTEM-BUS REPORT-FILE
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/user");
const QString kUsersClipboard = QStringLiteral("the user's own clipboard");

class CReport {
public:
    explicit CReport(QString strFile) : m_strFile(std::move(strFile)) { Write(); }
    void Add(const QString& strLine) {
        m_lines << strLine;
        Write();
    }

private:
    void Write() const {
        QFile file(m_strFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write((QStringLiteral("ready\n") + m_lines.join(QLatin1Char('\n'))).toUtf8());
    }
    QString m_strFile;
    QStringList m_lines;
};

// Answers every call on its bus: logind's look-ups with the user's session, anything else with nothing.
class CAnswerer : public QDBusVirtualObject {
public:
    CAnswerer(QString strBus, CReport& report) : m_strBus(std::move(strBus)), m_report(report) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        m_report.Add(QStringLiteral("%1 call %2.%3 from %4")
                         .arg(m_strBus, message.interface(), message.member(), message.service()));
        if (message.member() == QLatin1String("GetSession") || message.member() == QLatin1String("GetSessionByPID"))
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(kSessionPath))));
        else
            connection.send(message.createReply());
        return true;
    }

private:
    QString m_strBus;
    CReport& m_report;
};

// Reports each client that joins the bus, by its unique name.
class CJoinWatch : public QObject {
    Q_OBJECT
public:
    CJoinWatch(QString strBus, QDBusConnection bus, CReport& report)
        : m_strBus(std::move(strBus)), m_bus(std::move(bus)), m_report(report) {
        m_bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                      SLOT(OnNameOwnerChanged(QString, QString, QString)));
    }

public Q_SLOTS:
    void OnNameOwnerChanged(const QString& strName, const QString& strOld, const QString& strNew) {
        if (strName.startsWith(QLatin1Char(':')) && strOld.isEmpty() && !strNew.isEmpty() &&
            strName != m_bus.baseService())
            m_report.Add(QStringLiteral("%1 joined by %2").arg(m_strBus, strName));
    }

private:
    QString m_strBus;
    QDBusConnection m_bus;
    CReport& m_report;
};

QDBusConnection Connect(const QString& strAddress, const QString& strName, const QStringList& owned,
                        const QString& strPath, CAnswerer& answerer) {
    QDBusConnection bus = QDBusConnection::connectToBus(strAddress, strName);
    if (!bus.isConnected()) {
        std::fprintf(stderr, "fake-desktop: no bus at %s\n", qPrintable(strAddress));
        std::exit(1);
    }
    for (const QString& strService : owned)
        bus.registerService(strService);
    bus.registerVirtualObject(strPath, &answerer, QDBusConnection::SubPath);
    return bus;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: fake-desktop SESSION-BUS SYSTEM-BUS REPORT-FILE\n");
        return 2;
    }
    CReport report(args[3]);
    CAnswerer sessionAnswerer(QStringLiteral("session"), report);
    CAnswerer systemAnswerer(QStringLiteral("system"), report);
    QDBusConnection session =
        Connect(args[1], QStringLiteral("session"),
                {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")},
                QStringLiteral("/"), sessionAnswerer);
    QDBusConnection system = Connect(args[2], QStringLiteral("system"), {QStringLiteral("org.freedesktop.login1")},
                                     QStringLiteral("/org/freedesktop/login1"), systemAnswerer);
    const CJoinWatch sessionJoins(QStringLiteral("session"), session, report);
    const CJoinWatch systemJoins(QStringLiteral("system"), system, report);

    QClipboard* pClipboard = QGuiApplication::clipboard();
    pClipboard->setText(kUsersClipboard);
    QObject::connect(pClipboard, &QClipboard::dataChanged,
                     [&] { report.Add(QStringLiteral("clipboard now holds \"%1\"").arg(pClipboard->text())); });

    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (const char* pszInterface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.xfce.ScreenSaver",
                                         "org.mate.ScreenSaver", "org.cinnamon.ScreenSaver"}) {
            QDBusMessage active =
                QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                           QString::fromLatin1(pszInterface), QStringLiteral("ActiveChanged"));
            active << true;
            session.send(active);
        }
        QDBusMessage sleep = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                        QStringLiteral("org.freedesktop.login1.Manager"),
                                                        QStringLiteral("PrepareForSleep"));
        sleep << true;
        system.send(sleep);
        system.send(QDBusMessage::createSignal(kSessionPath, QStringLiteral("org.freedesktop.login1.Session"),
                                               QStringLiteral("Lock")));
    });
    timer.start(100);
    return QGuiApplication::exec();
}

#include "FakeDesktop.moc"
