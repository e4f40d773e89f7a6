#pragma once

#include <QString>

// The printer a page goes to without the print dialog: the one named, or the system's default when the
// name is empty. Returns 0 with the printer's name in strPrinter, or the ID of the message that says why
// there is none: IDS_NO_PRINTERS (none installed, or no print service answering), IDS_NO_DEFAULT_PRINTER
// or IDS_UNKNOWN_PRINTER. With no print service running the answer comes at once; nothing waits for one.
int FindPrinter(const QString& strName, QString& strPrinter);
