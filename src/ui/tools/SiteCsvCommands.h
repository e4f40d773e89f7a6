#pragma once

#include <QObject>

class CCommandRouter;
class CLockwardenDoc;
class CLockwardenView;
class CPrompts;

// File > Import CSV... and Export CSV...: the sites to and from the CSV the companion reads and writes.
// Import adds every row of a file through the document, or nothing when a line is wrong; export warns that
// the file holds every password in clear text and writes it owner-only. Both wait while a site is being
// entered (the site on the form is not in the document yet), except the blank form of an empty database.
class CSiteCsvCommands : public QObject {
    Q_OBJECT
public:
    CSiteCsvCommands(CLockwardenView& view, CLockwardenDoc& doc, CPrompts& prompts);

    // Import is enabled while browsing and on an empty database's blank form; Export while browsing with sites.
    void RegisterCommands(CCommandRouter& router);
    void OnImportCsv();
    void OnExportCsv();

private:
    bool CanImport() const;

    CLockwardenView& m_view;
    CLockwardenDoc& m_doc;
    CPrompts& m_prompts;
};
