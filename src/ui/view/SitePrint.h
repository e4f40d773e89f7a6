#pragma once

#include <QObject>

#include <memory>

class CCommandRouter;
class CLockwardenView;
class CSiteInfo;
class CWndPrompts;
class QPainter;
class QPrinter;

// The printed page of one site: "Site:", "URL:", "User:" and "Pswd:" lines, an empty one, then the notes
// a line each, in 12-point Arial from three quarters of an inch in, on a device of nDpiX by nDpiY dots per
// inch. Lines past the page are cut.
void DrawSitePage(QPainter& dc, int nDpiX, int nDpiY, const CSiteInfo& site);

// The application's one printer, made when first needed (making one asks the print service), which Print
// Setup sets up and every print uses.
class CAppPrinter {
public:
    CAppPrinter();
    ~CAppPrinter();
    QPrinter& Get();

private:
    std::unique_ptr<QPrinter> m_pPrinter;
};

// Printing the site the form shows, as it shows it: Print with the print dialog, Print Preview, and the
// direct print without a dialog, all on the application's printer.
class CSitePrinter : public QObject {
    Q_OBJECT
public:
    CSitePrinter(CLockwardenView& view, CWndPrompts& prompts, CAppPrinter& printer);

    // Print and Print Preview, enabled while the list has sites, and the direct print, in the view's place
    // of the routing order.
    void RegisterCommands(CCommandRouter& router);
    void OnFilePrint();
    // The page on the printer as it stands; false when it did not go out.
    bool OnFilePrintDirect();
    void OnFilePrintPreview();

private:
    bool PrintPage(QPrinter& printer);

    CLockwardenView& m_view;
    CWndPrompts& m_prompts;
    CAppPrinter& m_printer;
};
