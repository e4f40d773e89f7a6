#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

// Acts on the next modal dialog once it is up: call it just before the code that opens the dialog and
// blocks in its modal loop. A different modal window, or none, fails the test and is closed so that the
// test cannot hang.
template <class TDialog> void WhenModal(std::function<void(TDialog&)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* pModal = QApplication::activeModalWidget();
        auto* pDialog = qobject_cast<TDialog*>(pModal);
        if (pDialog == nullptr) {
            ADD_FAILURE() << "the expected dialog is not the modal window";
            if (pModal != nullptr)
                pModal->close();
            return;
        }
        act(*pDialog);
    });
}
