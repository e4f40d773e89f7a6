#include "ui/platform/Printers.h"

#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QPaintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

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

bool PrintsToService(QPrinter& printer) {
    // A preview draws on Qt's picture engine in place of the printer's own.
    const QPaintEngine* pEngine = printer.paintEngine();
    return printer.outputFormat() == QPrinter::NativeFormat && printer.outputFileName().isEmpty() &&
           !printer.printerName().isEmpty() && (pEngine == nullptr || pEngine->type() != QPaintEngine::Picture);
}

QString PrinterRefusal(const QString& strPrinter) {
    const QByteArray name = strPrinter.toUtf8();
    cups_dest_t* pDest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (pDest == nullptr)
        return {};
    const char* pszAccepting = cupsGetOption("printer-is-accepting-jobs", pDest->num_options, pDest->options);
    const char* pszState = cupsGetOption("printer-state", pDest->num_options, pDest->options);
    int nRefusal = 0;
    if (pszAccepting != nullptr && qstrcmp(pszAccepting, "true") != 0)
        nRefusal = IDS_PRINTER_REJECTS_JOBS;
    else if (pszState != nullptr && QByteArray(pszState).toInt() == IPP_PSTATE_STOPPED)
        nRefusal = IDS_PRINTER_STOPPED;
    cupsFreeDests(1, pDest);
    return nRefusal == 0 ? QString() : LoadString(nRefusal).arg(strPrinter);
}

int LastPrintJob(const QString& strPrinter) {
    const QByteArray name = strPrinter.toUtf8();
    cups_job_t* pJobs = nullptr;
    const int nJobs = cupsGetJobs2(CUPS_HTTP_DEFAULT, &pJobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
    int nLast = 0;
    for (int i = 0; i < nJobs; ++i)
        nLast = qMax(nLast, pJobs[i].id);
    cupsFreeJobs(nJobs, pJobs);
    return nLast;
}

QString PrintJobMissing(const QString& strPrinter, int nLastJob) {
    // Read before the question below replaces it: what the service answered to the print.
    const bool bFailed = cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE;
    const QString strReason = bFailed ? QString::fromUtf8(cupsLastErrorString()).trimmed() : QString();
    if (LastPrintJob(strPrinter) > nLastJob)
        return {};
    QString strText = LoadString(IDS_PRINT_JOB_MISSING).arg(strPrinter);
    if (!strReason.isEmpty())
        strText += QStringLiteral("\n\n") + strReason;
    return strText;
}
