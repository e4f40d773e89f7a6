#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

// What pdftotext (poppler-utils) reads back from a printed PDF: the number of pages and the text lines
// of the first page with their places in points, top to bottom. Words whose tops lie within dTolerance
// points of each other make one line, joined by single blanks (pdftotext keeps no blanks of its own).
// Qt's own PDFs place words exactly; a PDF that went through Ghostscript places them to one dot of its
// device (a quarter point at 300 dpi).
struct CPrintedLine {
    double x;
    double y;
    QString strText;
};

struct CPrintedPage {
    int nPages = 0;
    std::vector<CPrintedLine> lines;
    QString strError; // pdftotext's complaint, when it could not read the file

    static CPrintedPage Read(const QString& strPdf, double dTolerance = 0.1) {
        CPrintedPage page;
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), strPdf, QStringLiteral("-")});
        if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0) {
            page.strError =
                QStringLiteral("pdftotext failed: ") + QString::fromLocal8Bit(pdftotext.readAllStandardError());
            return page;
        }
        const QString strOut = QString::fromUtf8(pdftotext.readAllStandardOutput());
        page.nPages = static_cast<int>(strOut.count(QStringLiteral("<page ")));
        const int nFirstPageEnd = strOut.indexOf(QStringLiteral("</page>"));
        static const QRegularExpression word(
            QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
        std::vector<CPrintedLine> words;
        for (auto it = word.globalMatch(strOut); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedStart() > nFirstPageEnd)
                break;
            words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), Unescaped(m.captured(3))});
        }
        // pdftotext reads wide gaps as columns; the page's lines are rows.
        std::stable_sort(words.begin(), words.end(), [dTolerance](const CPrintedLine& a, const CPrintedLine& b) {
            return std::abs(a.y - b.y) >= dTolerance ? a.y < b.y : a.x < b.x;
        });
        for (const CPrintedLine& w : words) {
            if (!page.lines.empty() && std::abs(page.lines.back().y - w.y) < dTolerance)
                page.lines.back().strText += QLatin1Char(' ') + w.strText;
            else
                page.lines.push_back(w);
        }
        return page;
    }

    static QString Unescaped(QString s) {
        s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
        s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        return s;
    }
};

// The printed page's line height in points on a device: the ascent plus the descent of 12-point "Arial"
// at the device's vertical resolution.
inline double PrintedLineHeight(QPaintDevice& device) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize((12 * device.logicalDpiY() + 36) / 72);
    const QFontMetrics fm(font, &device);
    return (fm.ascent() + fm.descent()) * 72.0 / device.logicalDpiY();
}
