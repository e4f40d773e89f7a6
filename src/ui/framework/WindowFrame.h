#pragma once

class QWidget;

// Where a tool window opens against the main window, reckoned with the frames the window manager draws.

enum class EMainWindowCorner {
    UpperRight, // right edges flush, its top one title bar below the main window's top
    LowerRight, // right and bottom edges flush
};

// Moves tool, keeping its size, to that corner of main (both frames included, screen coordinates). Before
// its first showing the tool has no frame yet; the window manager will give it one like the main window's,
// which is what its outer size is reckoned with. The title bar's height is the one the window manager drew
// over the main window: none where nothing frames the windows.
void MoveToMainWindowCorner(QWidget& tool, const QWidget& main, EMainWindowCorner corner);
