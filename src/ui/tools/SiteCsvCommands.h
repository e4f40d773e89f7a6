#pragma once

#include <QObject>

class CCommandRouter;
class CLockwardenDoc;
class CLockwardenView;
class CWndPrompts;

// File > Import... and Export CSV...: the sites from other password managers' exports (and the program's own
// CSV) and to CSV. Import reads the whole file first (nothing on a wrong line), shows in the Import dialog what
// it would add by the merge's rule, adds it through the document on OK, and then offers to overwrite and
// delete the clear-text export (No by default). Export warns that the file holds every password in clear text
// and writes it owner-only. Both wait while a site is being entered (the site on the form is not in the
// document yet), except the blank form of an empty database.
class CSiteCsvCommands : public QObject {
    Q_OBJECT
public:
    CSiteCsvCommands(CLockwardenView& view, CLockwardenDoc& doc, CWndPrompts& prompts);

    // Import is enabled while browsing and on an empty database's blank form; Export while browsing with sites.
    void RegisterCommands(CCommandRouter& router);
    void OnImport();
    void OnExportCsv();

Q_SIGNALS:
    // What was written or added, for the status bar: "Exported 12 sites", "Imported 3 sites".
    void noted(const QString& strNote);

private:
    bool CanImport() const;

    CLockwardenView& m_view;
    CLockwardenDoc& m_doc;
    CWndPrompts& m_prompts;
};
