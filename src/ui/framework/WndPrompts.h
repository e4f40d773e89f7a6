#pragma once

#include "core/framework/Prompts.h"
#include "core/resources/Resource.h"

#include <QStringList>

class QDialog;

// The prompts seam as window code sees it: besides the boxes and file dialogs of CPrompts, every modal
// dialog of the program (Notes, Find, About...) is run through DoModal, so tests can script a dialog's
// answer while it is live. Window code holds a CWndPrompts&; the document and the framework classes
// below it only need the CPrompts part.
//
// CPrompts is a virtual base so that a test double can take its message and password scripting from
// CScriptedPrompts and its dialog scripting from here (tests/common/ScriptedWndPrompts.h).
class CWndPrompts : public virtual CPrompts {
public:
    // Runs dlg modally and returns IDOK when it was accepted, IDCANCEL when it was rejected (Cancel, Esc,
    // the close box), or the value a dialog passed to done() for any other ending.
    virtual int DoModal(QDialog& dlg) = 0;
    // A save dialog that offers several types of file (an export's layouts): nType is the index of the
    // type shown first, and on true the one chosen. Without a dialog of its own, the first type is used.
    virtual bool SaveFileDialogTyped(QString& strPath, const QStringList& types, int& nType, const QString& strDefExt) {
        return SaveFileDialog(strPath, types.value(nType), strDefExt);
    }

    // QDialog::exec's result in ID* terms: accept() gives 1, which is IDOK already; reject() gives 0.
    static int ResultOfExec(int nExec) { return nExec == 0 ? IDCANCEL : nExec; }
};
