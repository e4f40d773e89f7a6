#pragma once

#include "ScriptedPrompts.h"
#include "core/resources/Resource.h"
#include "ui/framework/WndPrompts.h"

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <utility>

// The window-level prompts double: message boxes, beeps, password prompts and file dialogs are scripted
// as in CScriptedPrompts; a modal dialog run through DoModal really opens, and the next queued script
// receives the live dialog once it is showing. The script may type into its controls and press its
// buttons; it returns the answer (IDOK accepts, IDCANCEL rejects, anything else ends the dialog with
// that value), which is applied if the dialog is still open. An unscripted dialog is recorded and
// answers IDCANCEL without opening.
//
//     prompts.ScriptDialog([](QDialog& dlg) {
//         QTest::keyClicks(FindControl<QLineEdit>(&dlg, IDC_FILE_PASSWORD), "s3cret");
//         return IDOK;
//     });
class CScriptedWndPrompts : public CScriptedPrompts, public CWndPrompts {
public:
    using DialogScript = std::function<int(QDialog&)>;

    int DoModal(QDialog& dlg) override {
        m_dialogsShown.push_back(dlg.windowTitle());
        if (m_dialogScripts.empty())
            return IDCANCEL;
        DialogScript script = std::move(m_dialogScripts.front());
        m_dialogScripts.pop_front();
        QTimer::singleShot(0, &dlg, [&dlg, script = std::move(script)] {
            const int nAnswer = script(dlg);
            if (!dlg.isVisible())
                return;
            if (nAnswer == IDOK)
                dlg.accept();
            else if (nAnswer == IDCANCEL)
                dlg.reject();
            else
                dlg.done(nAnswer);
        });
        return ResultOfExec(dlg.exec());
    }

    // The save dialog with types records "save:" as the plain one does, and answers with the type chosen by
    // ChooseFileType (else the one it was given).
    bool SaveFileDialogTyped(QString& strPath, const QStringList& types, int& nType,
                             const QString& strDefExt) override {
        const bool bChosen = SaveFileDialog(strPath, types.value(nType), strDefExt);
        if (bChosen && m_nFileType >= 0)
            nType = m_nFileType;
        return bChosen;
    }
    void ChooseFileType(int nType) { m_nFileType = nType; }

    void ScriptDialog(DialogScript script) { m_dialogScripts.push_back(std::move(script)); }
    void AnswerDialog(int nId) {
        ScriptDialog([nId](QDialog&) { return nId; });
    }

    QStringList m_dialogsShown; // the title of every dialog run, in order

private:
    std::deque<DialogScript> m_dialogScripts;
    int m_nFileType = -1;
};
