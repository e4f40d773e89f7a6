#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM (what a desktop session or the system sends at log-out and shut-down) into a Qt signal
// delivered on the user-interface thread, through a pipe the signal handler writes one byte into.
class CTermSignal : public QObject {
    Q_OBJECT
public:
    explicit CTermSignal(QObject* pParent = nullptr);
    ~CTermSignal() override;

Q_SIGNALS:
    void terminationRequested();

private:
    void OnActivated();
    QSocketNotifier* m_pNotifier = nullptr;
};
