#include "ui/framework/WindowFrame.h"

#include <QMargins>
#include <QRect>
#include <QWidget>

#include <algorithm>

namespace {

QMargins FrameMarginsOf(const QWidget& w) {
    const QRect rcFrame = w.frameGeometry();
    const QRect rcClient = w.geometry();
    return {rcClient.left() - rcFrame.left(), rcClient.top() - rcFrame.top(), rcFrame.right() - rcClient.right(),
            rcFrame.bottom() - rcClient.bottom()};
}

} // namespace

void MoveToMainWindowCorner(QWidget& tool, const QWidget& main, EMainWindowCorner corner) {
    const QRect rcMain = main.frameGeometry();
    const QMargins mainFrame = FrameMarginsOf(main);
    QMargins frame = FrameMarginsOf(tool);
    if (frame.isNull())
        frame = mainFrame;
    const QSize outer = tool.size().grownBy(frame);
    const int x = rcMain.x() + rcMain.width() - outer.width();
    if (corner == EMainWindowCorner::LowerRight) {
        tool.move(x, rcMain.y() + rcMain.height() - outer.height());
        return;
    }
    // The frame's top holds the title bar and a border as wide as the sides'.
    const int nTitleBar = std::max(0, mainFrame.top() - mainFrame.left());
    tool.move(x, rcMain.y() + nTitleBar);
}
