#pragma once

#include <QString>

class QPrinter;

// The printer a page goes to without the print dialog: the one named, or the system's default when the
// name is empty. Returns 0 with the printer's name in strPrinter, or the ID of the message that says why
// there is none: IDS_NO_PRINTERS (none installed, or no print service answering), IDS_NO_DEFAULT_PRINTER
// or IDS_UNKNOWN_PRINTER. With no print service running the answer comes at once; nothing waits for one.
int FindPrinter(const QString& strName, QString& strPrinter);

// Qt reports a page handed to the print service as printed whether or not the service took it; these ask
// the service itself (libcups), before and after. They answer at once when no service is running.

// Whether a page printed on printer goes to the print service as a job: not to a file, not to a preview.
bool PrintsToService(QPrinter& printer);

// Before printing: empty when strPrinter takes jobs, else the message that says why nothing will be
// printed (it is not accepting jobs, or it is stopped). A printer the service does not describe is left
// to the print itself, and to PrintJobMissing after it.
QString PrinterRefusal(const QString& strPrinter);

// The number of this user's newest job on strPrinter, in any state; 0 when there is none or no answer.
int LastPrintJob(const QString& strPrinter);

// After printing: empty when this user has a job on strPrinter newer than nLastJob, else the message that
// says nothing was printed, with the print service's reason when it gave one. Called right after the
// print, while the service's last answer in this thread is still the one to the print.
QString PrintJobMissing(const QString& strPrinter, int nLastJob);
