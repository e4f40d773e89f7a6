#include "ui/platform/AutoTypeBus.h"

#include "ui/platform/BusConnection.h"
#include "ui/platform/ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QMetaClassInfo>
#include <QTimer>

namespace {

// The running window answers at once; the typing itself comes later.
constexpr int kAskTimeout = 10000;

} // namespace

CAutoTypeBus::CAutoTypeBus(const QString& strAddress, QObject* pParent)
    : QObject(pParent), m_pBus(std::make_unique<CBusConnection>("auto-type", this)) {
    QDBusConnection bus = m_pBus->Open(strAddress);
    if (!bus.isConnected())
        return;
    // The object first, so a caller that finds the name finds it there.
    if (!bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportScriptableSlots))
        return;
    m_bListening = bus.registerService(QString::fromLatin1(kName));
    if (!m_bListening)
        bus.unregisterObject(QString::fromLatin1(kPath));
}

CAutoTypeBus::~CAutoTypeBus() {
    if (!m_bListening)
        return;
    QDBusConnection bus = m_pBus->Bus();
    bus.unregisterService(QString::fromLatin1(kName));
    bus.unregisterObject(QString::fromLatin1(kPath));
}

void CAutoTypeBus::AutoType() {
    QTimer::singleShot(0, this, &CAutoTypeBus::autoTypeRequested);
}

CAutoTypeBus::EAsked CAutoTypeBus::AskRunningWindow(std::string& strError) {
    return AskRunningWindow(CScreenLockWatch::SessionBusOfEnvironment(), strError);
}

CAutoTypeBus::EAsked CAutoTypeBus::AskRunningWindow(const QString& strAddress, std::string& strError) {
    const CBusConnection connection("auto-type-ask", &strError);
    QDBusConnection bus = connection.Open(strAddress);
    if (!bus.isConnected())
        return EAsked::noWindow;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kName), QString::fromLatin1(kPath),
        QString::fromLatin1(staticMetaObject.classInfo(staticMetaObject.indexOfClassInfo("D-Bus Interface")).value()),
        QStringLiteral("AutoType"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, kAskTimeout);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return EAsked::asked;
    if (reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown))
        return EAsked::noWindow;
    strError = "the running window did not answer: " + reply.errorMessage().toStdString();
    return EAsked::failed;
}
