#pragma once

#include <QString>

class CProfileStore;

// The main window's saved placement, section "mainWindow": the normal rectangle as text and the
// minimized and maximized flags. Kept apart from the window so the rules can be tested without one.
enum class EShowState { Normal, Minimized, Maximized };

struct CWindowPlacement {
    // The normal (restored) rectangle; right and bottom lie just outside it, as in a Windows RECT.
    int nLeft = 0;
    int nTop = 0;
    int nRight = 0;
    int nBottom = 0;
    EShowState showState = EShowState::Normal;
    // A minimized window that comes back maximized.
    bool bRestoreToMaximized = false;
    // Whether the toolbar and the status bar show ("toolBar", "statusBar"; both by default).
    bool bToolBar = true;
    bool bStatusBar = true;
};

// "%04d %04d %04d %04d": -8 becomes "-008", 10000 stays five digits.
QString FormatPlacementRect(const CWindowPlacement& wp);
// Reads the four numbers as "%d %d %d %d" does: any white space between them, and false unless all four
// are there.
bool ParsePlacementRect(const QString& strRect, CWindowPlacement& wp);

// "icon" and "max" as stored for a placement, and the placement they stand for.
int IconFlagOf(const CWindowPlacement& wp);
int MaxFlagOf(const CWindowPlacement& wp);
void ApplyStoredFlags(int nIcon, int nMax, CWindowPlacement& wp);

inline constexpr const char* kPlacementSection = "mainWindow";

// Reads "rect", then "max", "icon" and the two bars. False (and wp untouched) when "rect" is missing or not
// four numbers.
bool ReadWindowPlacement(const CProfileStore& store, CWindowPlacement& wp);
// Writes "rect", "icon", "max", "toolBar" and "statusBar", in that order.
void WriteWindowPlacement(CProfileStore& store, const CWindowPlacement& wp);
