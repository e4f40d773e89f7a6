#pragma once

#include "ui/platform/Shell.h"

#include <QDialog>
#include <QPushButton>

#include <functional>

class CPrompts;

// A push button that paints its own pictures, the way a bitmap button shows one picture when up and
// another while pressed; focus and the disabled state show the up picture.
class CBitmapButton : public QPushButton {
    Q_OBJECT
public:
    explicit CBitmapButton(QWidget* pParent = nullptr);
    // Takes the place of a dialog's push button (position, ID, name, tab order) and sizes itself to its
    // pictures. The old button is deleted.
    static CBitmapButton* AutoLoad(QPushButton* pOld);

    QSize sizeHint() const override { return QSize(67, 25); }
    // The picture for one state, as painted: black ink when up, red when pressed.
    static QPixmap Picture(bool bPressed, qreal dpr = 1.0);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
};

// The About box: name and version, a line about the program, the maker's copyright line and support
// address, and a button that starts a mail to that address.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(CPrompts& prompts, QWidget* pParent = nullptr);

    void OnEmail();
    CBitmapButton* EmailButton() const { return m_btnEmail; }

    // The mail link as it goes to the desktop.
    static QString MailLink();
    // How the link is handed over (ShellOpen); tests put a recording one here.
    std::function<void(const QString&, ShellDone)> m_shellOpen;

private:
    CPrompts& m_prompts;
    CBitmapButton* m_btnEmail = nullptr;
};
