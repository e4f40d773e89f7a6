// A login form for the typing tests: a user name box and a password box. Enter in either submits: the two texts
// go as UTF-8 lines to the file named on the command line, and the form ends. Nothing else is recorded. The title
// reads "Login form" only once the user name box holds the focus: a window the window manager made active but whose
// toolkit has not yet taken the focus drops the first keys typed.
#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString strOutput = QString::fromLocal8Bit(argv[1]);
    QWidget form;
    form.setWindowTitle(QStringLiteral("Login form (starting)"));
    auto* pUser = new QLineEdit(&form);
    auto* pPassword = new QLineEdit(&form);
    pPassword->setEchoMode(QLineEdit::Password);
    auto* pLayout = new QFormLayout(&form);
    pLayout->addRow(QStringLiteral("User name"), pUser);
    pLayout->addRow(QStringLiteral("Password"), pPassword);
    const auto submit = [&] {
        QFile file(strOutput);
        if (file.open(QIODevice::WriteOnly))
            file.write(pUser->text().toUtf8() + '\n' + pPassword->text().toUtf8() + '\n');
        file.close();
        app.quit();
    };
    QObject::connect(pUser, &QLineEdit::returnPressed, submit);
    QObject::connect(pPassword, &QLineEdit::returnPressed, submit);
    QObject::connect(&app, &QApplication::focusChanged, &form, [&](QWidget*, QWidget* pNow) {
        if (pNow == pUser && form.isActiveWindow())
            form.setWindowTitle(QStringLiteral("Login form"));
    });
    form.show();
    form.activateWindow();
    pUser->setFocus();
    return app.exec();
}
