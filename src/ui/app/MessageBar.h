#pragma once

#include <QFrame>
#include <QString>

#include <functional>
#include <map>

class QLabel;
class QPushButton;
class QVBoxLayout;

// The notices that stay until something is done about them (the window is locked, the file changed on disk,
// conflict copies lie beside it, what auto-type did, the desktop kept a password on the clipboard), each shown
// whole on a line of its own above the status bar, with a button for what to do. The status bar's first pane keeps the
// menus' prompts and short notes.
class CMessageBar : public QFrame {
    Q_OBJECT
public:
    // Who a notice is from: one notice each, shown in this order.
    enum class ESource { lock, file, typing, clipboard };

    explicit CMessageBar(QWidget* pParent = nullptr);

    // Shows the notice of source, in place of its earlier one; strAction names the button that does what the
    // notice asks (none when empty). A screen reader is told of a new notice.
    void Show(ESource source, const QString& strText, const QString& strAction = {},
              std::function<void()> onAction = {});
    void Clear(ESource source);
    // The notice of source, empty when none.
    QString TextOf(ESource source) const;
    // Its button, null when it has none.
    QPushButton* ButtonOf(ESource source) const;

Q_SIGNALS:
    // The bar came into view or grew: the window grew with it.
    void grown();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // Shown at once, or once a minimized window is shown again.
    void ShowWhenSeen();

    struct CRow {
        QWidget* pRow = nullptr;
        QLabel* pLabel = nullptr;
        QPushButton* pButton = nullptr;
        std::function<void()> onAction;
    };
    std::map<ESource, CRow> m_rows;
    QVBoxLayout* m_pLayout = nullptr;
    bool m_bWatchingWindow = false;
};
