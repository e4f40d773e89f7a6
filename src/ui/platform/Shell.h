#pragma once

#include <QString>

#include <functional>

class QObject;

// Hands an address to the desktop's opener (xdg-open), which opens it in the user's program for it.
// The opener runs on its own and its exit status is awaited without blocking the window: onDone(true)
// when it reported success, onDone(false) when it failed, could not be started, or the address was
// refused; the reason is then GetLastErrorText()'s. onDone runs only while pContext lives.
using ShellDone = std::function<void(bool bOpened)>;

// What the opener is given for a URL, or an empty text with strReason set when it gets nothing: only web
// and mail addresses (http, https, ftp, mailto) leave the program, so a shared database cannot make the
// desktop run a program or open a local file. Blanks around the URL are left out. A bare host name
// ("bank.example.com/login") and "www." open as https pages, "ftp." as an FTP address; any other URL goes
// as stored.
QString ShellAddress(const QString& strUrl, QString& strReason);

// A URL from the user's data, through ShellAddress.
void ShellOpen(const QString& strUrl, QObject* pContext, ShellDone onDone);
// A local file of the program's own (its manual), with no checks.
void ShellOpenFile(const QString& strPath, QObject* pContext, ShellDone onDone);
