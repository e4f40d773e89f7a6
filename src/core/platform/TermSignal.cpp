#include "core/platform/TermSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_fds[2] = {-1, -1};

void OnSigTerm(int) {
    // The interrupted code may be about to read errno.
    const int nSavedErrno = errno;
    const char c = 1;
    // Nothing more can be done inside a signal handler when the pipe is full: one byte is enough.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &c, 1);
    errno = nSavedErrno;
}
} // namespace

CTermSignal::CTermSignal(QObject* pParent) : QObject(pParent) {
    if (g_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    ::fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
    m_pNotifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CTermSignal::OnActivated);
    struct sigaction sa = {};
    sa.sa_handler = OnSigTerm;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
}

CTermSignal::~CTermSignal() {
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &sa, nullptr);
}

void CTermSignal::OnActivated() {
    char buf[16];
    [[maybe_unused]] const ssize_t n = ::read(g_fds[1], buf, sizeof buf);
    Q_EMIT terminationRequested();
}
