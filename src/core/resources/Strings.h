#pragma once

#include <QList>
#include <QString>

// The string table: every message, prompt and tooltip text, keyed by its identifier. A command's
// prompt string is the status-bar prompt, then "\n" and the tooltip.
QString LoadString(int nID);
// Every identifier the string table holds, in no particular order.
QList<int> StringTableIds();
// The status-bar prompt (before "\n") and the tooltip (after it) of a prompt string.
QString PromptOf(int nID);
QString TooltipOf(int nID);

// The parts of the document template's string (IDR_MAINFRAME), in its order.
enum class EDocString { WindowTitle, DocName, FileNewName, FilterName, FilterExt, RegFileTypeId, RegFileTypeName };
QString GetDocString(EDocString part);
