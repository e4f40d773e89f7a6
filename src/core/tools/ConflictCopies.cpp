#include "core/tools/ConflictCopies.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

bool IsConflictCopyName(const QString& strFileName, const QString& strCandidate) {
    // The tools put their mark before the last extension; a file without one gets it at its end.
    const qsizetype nDot = strFileName.lastIndexOf(QLatin1Char('.'));
    const QString strBase = nDot > 0 ? strFileName.left(nDot) : strFileName;
    const QString strExt = nDot > 0 ? strFileName.mid(nDot) : QString();
    const QString strMarks = QStringLiteral(R"((?:\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7})"
                                            R"(| \(conflicted copy (?:[^()/]+ )?\d{4}-\d{2}-\d{2} \d{6}\))"
                                            R"(| \([^()/]+'s conflicted copy \d{4}-\d{2}-\d{2}(?: \(\d+\))?\)))");
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(strBase) + strMarks + QRegularExpression::escape(strExt)));
    return pattern.match(strCandidate).hasMatch();
}

QStringList FindConflictCopies(const QString& strPath) {
    const QFileInfo info(strPath);
    const QDir dir = info.absoluteDir();
    QStringList copies;
    for (const QString& strName : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (IsConflictCopyName(info.fileName(), strName))
            copies << dir.filePath(strName);
    return copies;
}
