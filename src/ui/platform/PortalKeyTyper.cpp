#include "ui/platform/PortalKeyTyper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QList>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
constexpr uint kKeyboard = 1;
constexpr uint kPersistUntilRevoked = 2;
// Start waits for the user's answer to the desktop's question.
constexpr int kStartTimeout = 120000;
constexpr int kRequestTimeout = 10000;
constexpr int kKeyPause = 8;

// Waits for a call's answer with our events going on: the portal may be slow to answer, and must never find this
// thread blocked.
QDBusMessage Answer(const QDBusPendingCall& call) {
    QDBusPendingCallWatcher watcher(call);
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return watcher.reply();
}

void Wait(int nMilliseconds) {
    QEventLoop loop;
    QTimer::singleShot(nMilliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

CPortalKeyTyper::CPortalKeyTyper(const QString& strSessionBus, const QString& strRestoreToken)
    : m_strRestoreToken(strRestoreToken) {
    m_bus.Open(strSessionBus);
}

CPortalKeyTyper::~CPortalKeyTyper() {
    CloseSession();
}

bool CPortalKeyTyper::IsAvailable(std::string& strWhy) {
    QDBusConnection bus = m_bus.Bus();
    if (!bus.isConnected()) {
        strWhy = "there is no session bus to reach the desktop portal on";
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kRemoteDesktop << QStringLiteral("AvailableDeviceTypes");
    const QDBusMessage reply = Answer(bus.asyncCall(get, kRequestTimeout));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        strWhy = "the desktop has no remote desktop portal, which typing on Wayland needs";
        return false;
    }
    const uint nTypes = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toUInt();
    if ((nTypes & kKeyboard) == 0) {
        strWhy = "the desktop's remote desktop portal offers no keyboard";
        return false;
    }
    return true;
}

bool CPortalKeyTyper::Request(const QString& strMethod, const QVariantList& args, const QString& strToken,
                              QVariantMap& results, std::string& strError, int nTimeout) {
    QDBusConnection bus = m_bus.Bus();
    // The Request object's path is known before the call, so its Response cannot come before we listen.
    QString strSender = bus.baseService().mid(1);
    strSender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString strRequest = kPath + QStringLiteral("/request/") + strSender + QLatin1Char('/') + strToken;
    CPortalResponse response;
    bus.connect(kService, strRequest, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                &response, SLOT(OnResponse(uint, QVariantMap)));
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, strMethod);
    message.setArguments(args);
    const QDBusMessage reply = Answer(bus.asyncCall(message, kRequestTimeout));
    const bool bCallFailed = reply.type() != QDBusMessage::ReplyMessage;
    if (bCallFailed) {
        strError = "the desktop portal refused " + strMethod.toStdString() + ": " + reply.errorMessage().toStdString();
    } else if (!response.bAnswered) {
        QTimer::singleShot(nTimeout, &response.loop, &QEventLoop::quit);
        response.loop.exec();
    }
    bus.disconnect(kService, strRequest, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                   &response, SLOT(OnResponse(uint, QVariantMap)));
    if (bCallFailed)
        return false;
    if (!response.bAnswered) {
        strError = "the desktop portal did not answer " + strMethod.toStdString();
        return false;
    }
    if (response.nResponse != 0) {
        strError = response.nResponse == 1 ? "the desktop did not allow typing"
                                           : "the desktop portal ended " + strMethod.toStdString();
        return false;
    }
    results = response.results;
    return true;
}

bool CPortalKeyTyper::Type(const std::vector<AutoTypeSequence::CStep>& steps, std::string& strError) {
    if (!IsAvailable(strError))
        return false;
    const QString strBase = QStringLiteral("lockwarden%1").arg(QString::number(reinterpret_cast<quintptr>(this), 16));
    const auto token = [&] { return strBase + QLatin1Char('_') + QString::number(++m_nToken); };

    QVariantMap results;
    QString strToken = token();
    if (!Request(QStringLiteral("CreateSession"),
                 {QVariantMap{{QStringLiteral("handle_token"), strToken},
                              {QStringLiteral("session_handle_token"), token()}}},
                 strToken, results, strError, kRequestTimeout))
        return false;
    m_strSession = results.value(QStringLiteral("session_handle")).toString();
    if (m_strSession.isEmpty()) {
        strError = "the desktop portal gave no session";
        return false;
    }
    strToken = token();
    QVariantMap devices{{QStringLiteral("handle_token"), strToken},
                        {QStringLiteral("types"), kKeyboard},
                        {QStringLiteral("persist_mode"), kPersistUntilRevoked}};
    if (!m_strRestoreToken.isEmpty())
        devices.insert(QStringLiteral("restore_token"), m_strRestoreToken);
    const QDBusObjectPath session(m_strSession);
    bool bStarted = Request(QStringLiteral("SelectDevices"), {QVariant::fromValue(session), devices}, strToken, results,
                            strError, kRequestTimeout);
    if (bStarted) {
        strToken = token();
        bStarted =
            Request(QStringLiteral("Start"),
                    {QVariant::fromValue(session), QString(), QVariantMap{{QStringLiteral("handle_token"), strToken}}},
                    strToken, results, strError, kStartTimeout);
    }
    if (bStarted && (results.value(QStringLiteral("devices")).toUInt() & kKeyboard) == 0) {
        strError = "the desktop gave no keyboard";
        bStarted = false;
    }
    if (!bStarted) {
        CloseSession();
        return false;
    }
    if (results.contains(QStringLiteral("restore_token")))
        m_strRestoreToken = results.value(QStringLiteral("restore_token")).toString();

    ForEachKey(
        steps, [this](int nKeysym) { Key(nKeysym); }, &Wait);
    CloseSession();
    return true;
}

void CPortalKeyTyper::Key(int nKeysym) {
    QDBusConnection bus = m_bus.Bus();
    const QDBusObjectPath session(m_strSession);
    for (const uint nState : {1U, 0U}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
        message << QVariant::fromValue(session) << QVariantMap() << nKeysym << nState;
        bus.send(message);
    }
    Wait(kKeyPause);
}

void CPortalKeyTyper::CloseSession() {
    if (m_strSession.isEmpty())
        return;
    QDBusConnection bus = m_bus.Bus();
    const QDBusMessage close = QDBusMessage::createMethodCall(
        kService, m_strSession, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
    Answer(bus.asyncCall(close, kRequestTimeout));
    m_strSession.clear();
}
