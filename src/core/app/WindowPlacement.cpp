#include "core/app/WindowPlacement.h"

#include "core/platform/ProfileStore.h"

#include <cstdio>

QString FormatPlacementRect(const CWindowPlacement& wp) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d %04d %04d %04d", wp.nLeft, wp.nTop, wp.nRight, wp.nBottom);
    return QString::fromLatin1(buf);
}

bool ParsePlacementRect(const QString& strRect, CWindowPlacement& wp) {
    const QByteArray bytes = strRect.toLatin1();
    int n[4] = {};
    if (std::sscanf(bytes.constData(), "%d %d %d %d", &n[0], &n[1], &n[2], &n[3]) != 4)
        return false;
    wp.nLeft = n[0];
    wp.nTop = n[1];
    wp.nRight = n[2];
    wp.nBottom = n[3];
    return true;
}

int IconFlagOf(const CWindowPlacement& wp) {
    return wp.showState == EShowState::Minimized ? 1 : 0;
}

int MaxFlagOf(const CWindowPlacement& wp) {
    switch (wp.showState) {
    case EShowState::Maximized:
        return 1;
    case EShowState::Minimized:
        return wp.bRestoreToMaximized ? 1 : 0;
    case EShowState::Normal:
        break;
    }
    return 0;
}

void ApplyStoredFlags(int nIcon, int nMax, CWindowPlacement& wp) {
    wp.bRestoreToMaximized = nMax != 0;
    if (nIcon != 0)
        wp.showState = EShowState::Minimized;
    else if (nMax != 0)
        wp.showState = EShowState::Maximized;
    else
        wp.showState = EShowState::Normal;
}

bool ReadWindowPlacement(const CProfileStore& store, CWindowPlacement& wp) {
    const QString strSection = QString::fromLatin1(kPlacementSection);
    const QString strRect = store.GetProfileString(strSection, QStringLiteral("rect"));
    CWindowPlacement read;
    if (strRect.isEmpty() || !ParsePlacementRect(strRect, read))
        return false;
    const int nMax = store.GetProfileInt(strSection, QStringLiteral("max"), 0);
    const int nIcon = store.GetProfileInt(strSection, QStringLiteral("icon"), 0);
    ApplyStoredFlags(nIcon, nMax, read);
    read.bToolBar = store.GetProfileInt(strSection, QStringLiteral("toolBar"), 1) != 0;
    read.bStatusBar = store.GetProfileInt(strSection, QStringLiteral("statusBar"), 1) != 0;
    wp = read;
    return true;
}

void WriteWindowPlacement(CProfileStore& store, const CWindowPlacement& wp) {
    const QString strSection = QString::fromLatin1(kPlacementSection);
    store.WriteProfileString(strSection, QStringLiteral("rect"), FormatPlacementRect(wp));
    store.WriteProfileInt(strSection, QStringLiteral("icon"), IconFlagOf(wp));
    store.WriteProfileInt(strSection, QStringLiteral("max"), MaxFlagOf(wp));
    store.WriteProfileInt(strSection, QStringLiteral("toolBar"), wp.bToolBar ? 1 : 0);
    store.WriteProfileInt(strSection, QStringLiteral("statusBar"), wp.bStatusBar ? 1 : 0);
}
