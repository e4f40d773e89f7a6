#pragma once

#include "RunTool.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Another program's login form on the X display (tests/desktop/LoginForm.cpp), for the typing tests: started,
// given the focus by the window manager, and read back once it was submitted.
class CLoginFormRun {
public:
    ~CLoginFormRun() {
        if (m_form.state() != QProcess::NotRunning) {
            m_form.kill();
            m_form.waitForFinished();
        }
    }

    // Starts the form and waits until its user name box holds the focus (the form then takes its own title).
    bool Start() {
        if (!m_dir.isValid())
            return false;
        m_form.start(QStringLiteral(LOCKWARDEN_LOGIN_FORM), {m_dir.filePath(QStringLiteral("got"))});
        return m_form.waitForStarted(5000) && WaitFocused();
    }
    static bool IsFocused() {
        return RunTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")})
                   .out.trimmed() == "Login form";
    }
    static bool WaitFocused() {
        return QTest::qWaitFor([] { return IsFocused(); }, 5000);
    }
    bool IsRunning() const { return m_form.state() != QProcess::NotRunning; }
    // The form's two lines once it was submitted, else what went wrong.
    QByteArray Got(int nTimeout = 10000) {
        if (!QTest::qWaitFor([&] { return !IsRunning(); }, nTimeout))
            return "the form was never submitted";
        QFile got(m_dir.filePath(QStringLiteral("got")));
        return got.open(QIODevice::ReadOnly) ? got.readAll() : QByteArray("nothing recorded");
    }

private:
    QTemporaryDir m_dir;
    QProcess m_form;
};
