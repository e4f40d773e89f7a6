#pragma once

#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace BenchData {

inline const std::string kFilePassword = "Bench-Pswd#2024";

// A classic database with kFilePassword, written once: fill puts its records into the document before the
// save. The folder goes when the object does.
struct CBenchFile {
    explicit CBenchFile(const std::function<void(CLockwardenDoc&)>& fill) {
        m_strPath = m_dir.filePath(QStringLiteral("bench.lwd"));
        CAppState app;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(app, prompts);
        doc.SetFileKey(CFileKey::Classic(kFilePassword));
        fill(doc);
        m_bOk = m_dir.isValid() && doc.OnSaveDocument(m_strPath);
    }
    QTemporaryDir m_dir;
    QString m_strPath;
    bool m_bOk = false;
};

} // namespace BenchData
