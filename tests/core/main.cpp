#include "PrivateSession.h"

#include "core/database/SealedFormat.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// Nothing a test stores, trashes or asks reaches the user's desktop session.
int main(int argc, char** argv) {
    const CPrivateSession session;
    if (!session.IsReady())
        return 1;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Keys made by the tests take the lowest cost a reader accepts; the program's own is measured in bench/.
    SealedFormat::SetNewKeyCost(SealedFormat::kMinCost);
    return RUN_ALL_TESTS();
}
