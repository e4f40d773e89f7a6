#include "ui/view/SitePrint.h"

#include "core/database/SiteInfo.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/platform/Printers.h"
#include "ui/view/LockwardenView.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// Points to dots of a device with nDpi dots per inch, rounded to the nearest dot.
int PointsToDots(int nPoints, int nDpi) {
    return (nPoints * nDpi + 36) / 72;
}

} // namespace

void DrawSitePage(QPainter& dc, int nDpiX, int nDpiY, const CSiteInfo& site) {
    dc.save();
    // "Arial" is Liberation Sans on a Linux desktop (fontconfig's metric-compatible substitute).
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(PointsToDots(12, nDpiY));
    dc.setFont(font);
    const QFontMetrics fm = dc.fontMetrics();
    const int h = fm.ascent() + fm.descent();
    const int x = static_cast<int>(nDpiX * 0.75);
    const int y0 = static_cast<int>(nDpiY * 0.75);
    // A line is placed by the top left of its text; the painter places text by its baseline.
    const auto textOut = [&](int y, const QString& strText) { dc.drawText(x, y + fm.ascent(), strText); };

    textOut(y0, QStringLiteral("Site:  ") + ToDisplayText(site.m_strSite));
    textOut(y0 + h, QStringLiteral("URL:  ") + ToDisplayText(site.m_strURL));
    textOut(y0 + 2 * h, QStringLiteral("User:  ") + ToDisplayText(site.m_strUser));
    textOut(y0 + 3 * h, QStringLiteral("Pswd:  ") + ToDisplayText(site.m_strPswd));

    // The fifth line stays empty; the notes follow, one printed line per line, cut at the page's edges.
    int y = y0 + 4 * h;
    std::string strLine;
    for (const char ch : site.m_strNotes) {
        switch (ch) {
        case '\t':
            strLine += "        ";
            break;
        case '\r':
            break;
        case '\n':
            y += h;
            textOut(y, ToDisplayText(strLine));
            strLine.clear();
            break;
        default:
            strLine += ch;
            break;
        }
    }
    y += h;
    textOut(y, ToDisplayText(strLine));
    dc.restore();
}

CAppPrinter::CAppPrinter() = default;
CAppPrinter::~CAppPrinter() = default;

QPrinter& CAppPrinter::Get() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

CSitePrinter::CSitePrinter(CLockwardenView& view, CWndPrompts& prompts, CAppPrinter& printer)
    : QObject(&view), m_view(view), m_prompts(prompts), m_printer(printer) {}

bool CSitePrinter::PrintPage(QPrinter& printer) {
    // The print service is asked before and after: Qt's word that the page went out is no proof it was taken.
    const bool bToService = PrintsToService(printer);
    const QString strRefusal = bToService ? PrinterRefusal(printer.printerName()) : QString();
    if (!strRefusal.isEmpty()) {
        m_prompts.MessageBox(strRefusal, MB_ICONSTOP | MB_OK);
        return false;
    }
    const int nLastJob = bToService ? LastPrintJob(printer.printerName()) : 0;
    QPainter dc;
    bool bPrinted = dc.begin(&printer);
    if (bPrinted) {
        DrawSitePage(dc, printer.logicalDpiX(), printer.logicalDpiY(), m_view.ShownSite());
        bPrinted = dc.end();
    }
    if (!bPrinted) {
        const QString strWhere = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        m_prompts.MessageBox(LoadString(IDS_PRINT_FAILED).arg(strWhere), MB_ICONSTOP | MB_OK);
        return false;
    }
    const QString strMissing = bToService ? PrintJobMissing(printer.printerName(), nLastJob) : QString();
    if (!strMissing.isEmpty())
        m_prompts.MessageBox(strMissing, MB_ICONSTOP | MB_OK);
    return strMissing.isEmpty();
}

void CSitePrinter::OnFilePrint() {
    QPrinter& printer = m_printer.Get();
    QPrintDialog dlg(&printer, &m_view);
    // The page is one page: there is no range to choose.
    dlg.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dlg.setMinMax(1, 1);
    if (m_prompts.DoModal(dlg) == IDOK)
        PrintPage(printer);
}

bool CSitePrinter::OnFilePrintDirect() {
    return PrintPage(m_printer.Get());
}

void CSitePrinter::OnFilePrintPreview() {
    QPrintPreviewDialog dlg(&m_printer.Get(), &m_view);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pPrinter) { PrintPage(*pPrinter); });
    m_prompts.DoModal(dlg);
}

// Print and Print Preview need a site to name, in either mode. The direct print has no rule of its own:
// with an empty list it prints the labels with empty values (and the fields' members, also empty unless
// the Notes command pulled an entry), so a /p of an empty database still shows on paper that it is empty.
void CSitePrinter::RegisterCommands(CCommandRouter& router) {
    const auto withSites = [this](CCmdUI& ui) { ui.Enable(!m_view.IsListEmpty()); };
    router.Register(
        ID_FILE_PRINT, [this] { OnFilePrint(); }, withSites);
    router.Register(
        ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); }, withSites);
    router.Register(ID_FILE_PRINT_DIRECT, [this] { OnFilePrintDirect(); });
}
