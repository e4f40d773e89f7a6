#include "PrivateSession.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// Nothing a test stores, trashes or asks reaches the user's desktop session.
int main(int argc, char** argv) {
    const CPrivateSession session;
    if (!session.IsReady())
        return 1;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
