#include "ui/platform/Printers.h"

#include "core/resources/Resource.h"

#include <QPrinterInfo>

int FindPrinter(const QString& strName, QString& strPrinter) {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty())
        return IDS_NO_PRINTERS;
    if (strName.isEmpty()) {
        const QPrinterInfo def = QPrinterInfo::defaultPrinter();
        if (def.isNull())
            return IDS_NO_DEFAULT_PRINTER;
        strPrinter = def.printerName();
        return 0;
    }
    for (const QPrinterInfo& printer : printers) {
        if (printer.printerName() == strName) {
            strPrinter = strName;
            return 0;
        }
    }
    return IDS_UNKNOWN_PRINTER;
}
