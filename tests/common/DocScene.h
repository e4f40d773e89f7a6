#pragma once

#include "FormatBytes.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// The whole bytes of a file, or a marker no file holds when it cannot be read.
inline QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void WriteFile(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The database of sites at strPath as another program writes it: a document of its own saves it beside the
// path and renames it over whatever is there. Sealed or classic under strPassword, or without a password.
inline void PutDatabase(const QString& strPath, const std::vector<SiteFields>& sites, CLockwardenDoc::EFileKind kind,
                        const std::string& strPassword) {
    CAppState otherApp;
    CScriptedPrompts otherPrompts;
    CLockwardenDoc other(otherApp, otherPrompts);
    for (auto& p : MakeSites(sites))
        other.AddSite(std::move(p));
    if (kind == CLockwardenDoc::EFileKind::sealed) {
        otherPrompts.EnterPassword(strPassword);
        otherPrompts.EnterPassword(strPassword);
        other.OnSealFile();
    } else if (kind == CLockwardenDoc::EFileKind::classic) {
        other.SetFileKey(CFileKey::Classic(strPassword));
    }
    const QString strNew = strPath + QStringLiteral(".new");
    ASSERT_TRUE(other.OnSaveDocument(strNew));
    ASSERT_EQ(std::rename(QFile::encodeName(strNew).constData(), QFile::encodeName(strPath).constData()), 0);
}

// A document and its template over scripted prompts, on a new database, with a folder of its own.
struct CDocScene {
    CAppState app;
    CScriptedPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSingleDocTemplate docTemplate{doc, prompts};
    QTemporaryDir dir;

    CDocScene() { docTemplate.OnFileNew(); }
    QString Path(const char* pszName) const { return dir.filePath(QString::fromLatin1(pszName)); }
    // Opens strPath as the user does, typing strPassword at the prompt; the prompts shown are forgotten.
    bool Open(const QString& strPath, const std::string& strPassword) {
        prompts.EnterPassword(strPassword);
        const bool bOpened = docTemplate.OpenDocumentFile(strPath);
        prompts.m_shown.clear();
        return bOpened;
    }
};
