#pragma once

#include "core/resources/MenuTemplates.h"

#include <span>

class CCommandRouter;
class QMainWindow;
class QMenu;
class QToolBar;

// Builds a window's menu bar, toolbar and shortcuts from a command table (resources/MenuTemplates.h). Each
// command is the router's one action: its caption, keys, icon and check mark are set here, its prompt and
// tooltip come from the string table, and its handler from whoever registered it with the router.
// Enabling and check marks are refreshed whenever a menu opens. A command without a menu place is added
// to the window itself, so its keys work anywhere in it.
void BuildCommandBars(std::span<const CCommandItem> items, CCommandRouter& router, QMainWindow& window,
                      QToolBar& toolBar);

// The menu below the window's menu bar whose entries include command nID, or null.
QMenu* MenuHolding(const QMainWindow& window, int nID);
