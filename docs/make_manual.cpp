// make_manual SOURCE.md OUTPUT.pdf VERSION [ICON.svg]
//
// Turns the user manual, written in Markdown, into the PDF that Help > Documentation opens: a title page,
// the contents with page numbers, then the chapters on A4 pages, each page but the first numbered in its
// footer. Qt lays the text out, so the PDF needs nothing beyond the toolkit the program is built with.

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The writer works at 72 dots per inch, so one unit of the layout is one point.
constexpr int kResolution = 72;
constexpr double kMm = 72.0 / 25.4;

constexpr double kPageWidth = 210 * kMm;
constexpr double kPageHeight = 297 * kMm;
constexpr double kMarginLeft = 24 * kMm;
constexpr double kMarginRight = 22 * kMm;
constexpr double kMarginTop = 20 * kMm;
constexpr double kMarginBottom = 24 * kMm;
constexpr double kBodyWidth = kPageWidth - kMarginLeft - kMarginRight;
constexpr double kBodyHeight = kPageHeight - kMarginTop - kMarginBottom;
// The footer's rule sits this far below the body; its text below the rule.
constexpr double kFooterGap = 9 * kMm;

constexpr double kBodyPoints = 9.5;
const QColor kAccent(0x1d, 0x4a, 0x73);
const QColor kMuted(0x5f, 0x66, 0x6d);
const QColor kRule(0xb4, 0xbc, 0xc4);
const QColor kHeaderFill(0xe6, 0xed, 0xf4);
const QColor kCodeFill(0xf1, 0xf3, 0xf5);

QString SansFamily() {
    return QStringLiteral("DejaVu Sans");
}
QString MonoFamily() {
    return QStringLiteral("DejaVu Sans Mono");
}

QFont Font(const QString& strFamily, double dPoints, QFont::Weight weight = QFont::Normal) {
    QFont font(strFamily);
    font.setPointSizeF(dPoints);
    font.setWeight(weight);
    // Ligatures would reach the PDF as single glyphs that text extraction reads back as one letter.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

struct CTocEntry {
    int nLevel;
    QString strTitle;
    int nBodyPage; // from 0, within the chapters
};

// ---- the chapters

// Marks the frames that FrameCodeBlocks makes.
constexpr int kCodeFrame = QTextFormat::UserProperty + 1;
constexpr double kCodePadding = 5;

bool InCodeFrame(const QTextBlock& block) {
    const QTextFrame* pFrame = QTextCursor(block).currentFrame();
    return pFrame != nullptr && pFrame->frameFormat().boolProperty(kCodeFrame);
}

// A run of code lines goes into a shaded box with some room around the text.
void FrameCodeBlocks(QTextDocument& doc) {
    std::vector<std::pair<int, int>> runs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!block.blockFormat().nonBreakableLines())
            continue;
        const int nEnd = block.position() + block.length() - 1;
        const QTextBlock prev = block.previous();
        if (!runs.empty() && prev.isValid() && prev.blockFormat().nonBreakableLines())
            runs.back().second = nEnd;
        else
            runs.emplace_back(block.position(), nEnd);
    }
    QTextFrameFormat frame;
    frame.setProperty(kCodeFrame, true);
    frame.setBackground(kCodeFill);
    frame.setPadding(kCodePadding);
    frame.setTopMargin(1);
    frame.setBottomMargin(8);
    frame.setBorder(0);
    QTextCursor cursor(&doc);
    // From the last run back, so the positions of the earlier ones still hold.
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        cursor.setPosition(it->first);
        cursor.setPosition(it->second, QTextCursor::KeepAnchor);
        cursor.insertFrame(frame);
    }
}

// The Markdown importer sizes things for a screen; here every format is set for the page.
void StyleBlocks(QTextDocument& doc) {
    QTextCursor cursor(&doc);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        QTextBlockFormat format = block.blockFormat();
        const bool bInTable = cursor.currentTable() != nullptr;
        format.setTopMargin(0);
        format.setBottomMargin(0);
        if (InCodeFrame(block)) {
            // The frame's first line came in as a new block, without the code line's format.
            format.setNonBreakableLines(true);
            format.setLineHeight(108, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(format);
            continue;
        }
        if (block.text().isEmpty() && !bInTable) {
            // The empty paragraph that a document keeps before and after a frame or a table takes no room.
            format.setLineHeight(0, QTextBlockFormat::FixedHeight);
            cursor.setBlockFormat(format);
            continue;
        }
        if (block.textList() != nullptr)
            continue; // MarkListItems
        format.setLineHeight(bInTable ? 112 : 118, QTextBlockFormat::ProportionalHeight);
        const int nHeading = format.headingLevel();
        if (nHeading > 0) {
            static const double kPoints[] = {19, 13.5, 11, 10};
            static const double kAbove[] = {0, 14, 10, 8};
            static const double kBelow[] = {12, 5, 3, 2};
            const int i = std::min(nHeading, 4) - 1;
            format.setTopMargin(kAbove[i]);
            format.setBottomMargin(kBelow[i]);
            format.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
            // Every chapter starts on a page of its own.
            if (nHeading == 1 && block != doc.begin())
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
            QTextCharFormat chars;
            chars.setFont(Font(SansFamily(), kPoints[i], QFont::Bold));
            chars.setForeground(nHeading <= 2 ? kAccent : QColor(Qt::black));
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.setCharFormat(chars);
            cursor.setBlockCharFormat(chars);
            continue;
        }
        format.setBottomMargin(bInTable ? 2 : 6);
        cursor.setBlockFormat(format);
    }
}

// Qt draws a list's bullet one blank before the text, which looks cramped on paper. Each item becomes a
// paragraph that starts with its own bullet or number and hangs its further lines under the text.
void MarkListItems(QTextDocument& doc) {
    struct CItem {
        QTextBlock block;
        QString strMarker;
        int nLevel;
        bool bLast;
    };
    std::vector<CItem> items;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextList* pList = block.textList();
        if (pList == nullptr)
            continue;
        const QTextListFormat format = pList->format();
        const bool bNumbered = format.style() == QTextListFormat::ListDecimal;
        const QString strMarker =
            bNumbered ? QString::number(pList->itemNumber(block) + 1) + QLatin1Char('.') : QString(QChar(0x2022));
        const QTextBlock next = block.next();
        items.push_back({block, strMarker, format.indent(), !next.isValid() || next.textList() != pList});
    }
    const QFont font = doc.defaultFont();
    const QFontMetricsF metrics(font, doc.documentLayout()->paintDevice());
    const double dHang = metrics.horizontalAdvance(QStringLiteral("00.")) + metrics.horizontalAdvance(QChar(0x2002));
    // Qt scales tab positions by the device's resolution over the screen's; this undoes it.
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const double dTabScale = pScreen != nullptr ? std::round(pScreen->logicalDotsPerInchY()) / kResolution : 1.0;
    QTextCharFormat markerFormat;
    markerFormat.setFont(font);
    for (const CItem& item : items) {
        item.block.textList()->remove(item.block);
        QTextBlockFormat format = item.block.blockFormat();
        format.setIndent(0);
        format.setLeftMargin((item.nLevel - 1) * doc.indentWidth() + 3 * kMm + dHang);
        format.setTextIndent(-dHang);
        format.setTopMargin(0);
        format.setBottomMargin(item.bLast ? 6 : 2.5);
        format.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
        format.setTabPositions({QTextOption::Tab(dHang * dTabScale, QTextOption::LeftTab)});
        QTextCursor cursor(item.block);
        cursor.setBlockFormat(format);
        cursor.insertText(item.strMarker + QLatin1Char('\t'), markerFormat);
    }
}

// Code spans and code blocks come in the system's fixed font; the page uses its own, a little smaller.
void StyleCode(QTextDocument& doc) {
    std::vector<std::pair<int, int>> ranges;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().fontFixedPitch())
                ranges.emplace_back(fragment.position(), fragment.position() + fragment.length());
        }
    QTextCharFormat mono;
    mono.setFont(Font(MonoFamily(), kBodyPoints * 0.92), QTextCharFormat::FontPropertiesSpecifiedOnly);
    mono.setFontFamilies({MonoFamily()});
    mono.setFontPointSize(kBodyPoints * 0.92);
    mono.setFontFixedPitch(true);
    QTextCursor cursor(&doc);
    for (const auto& [nFrom, nTo] : ranges) {
        cursor.setPosition(nFrom);
        cursor.setPosition(nTo, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(mono);
    }
}

void CollectTables(QTextFrame* pFrame, std::vector<QTextTable*>& tables) {
    for (QTextFrame* pChild : pFrame->childFrames()) {
        if (auto* pTable = qobject_cast<QTextTable*>(pChild))
            tables.push_back(pTable);
        CollectTables(pChild, tables);
    }
}

void StyleTables(QTextDocument& doc) {
    std::vector<QTextTable*> tables;
    CollectTables(doc.rootFrame(), tables);
    for (QTextTable* pTable : tables) {
        QTextTableFormat format = pTable->format();
        format.setBorder(0.6);
        format.setBorderBrush(kRule);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3.5);
        format.setTopMargin(2);
        format.setBottomMargin(9);
        format.setLeftMargin(0);
        format.setRightMargin(0);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        // A table that runs over a page repeats its heading row.
        format.setHeaderRowCount(1);
        pTable->setFormat(format);
        // With collapsed borders each cell draws its own.
        for (int nRow = 0; nRow < pTable->rows(); ++nRow)
            for (int nColumn = 0; nColumn < pTable->columns(); ++nColumn) {
                QTextTableCell cell = pTable->cellAt(nRow, nColumn);
                QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                cellFormat.setBorder(0.6);
                cellFormat.setBorderBrush(kRule);
                cellFormat.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                cell.setFormat(cellFormat);
            }
        for (int nColumn = 0; nColumn < pTable->columns(); ++nColumn) {
            QTextTableCell cell = pTable->cellAt(0, nColumn);
            QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            cellFormat.setBackground(kHeaderFill);
            cell.setFormat(cellFormat);
            QTextCursor cursor = cell.firstCursorPosition();
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            QTextCharFormat bold;
            bold.setFontWeight(QFont::Bold);
            cursor.mergeCharFormat(bold);
        }
    }
}

double BlockTop(const QTextDocument& doc, const QTextBlock& block) {
    return doc.documentLayout()->blockBoundingRect(block).top();
}

// Qt's layout reckons in 1/64 of a point and may put a block that a page break moved a hair above the
// new page's top. A place within this slack above a page's top belongs to that page, when the contents
// count pages and when a page is drawn.
constexpr double kPageSlack = 0.5;

int PageOf(double dY) {
    return static_cast<int>((dY + kPageSlack) / kBodyHeight);
}

// After a change of format Qt lays out again only the part it thinks has moved, and loses track of later
// page breaks; setting the page size lays the whole document out afresh.
void Relayout(QTextDocument& doc) {
    doc.setPageSize(QSizeF(kBodyWidth, kBodyHeight + 1));
    doc.setPageSize(QSizeF(kBodyWidth, kBodyHeight));
    doc.pageCount(); // finishes the layout, which Qt would otherwise complete in idle time
}

// A heading left alone at the foot of a page goes over to the next one, with what it heads.
void KeepHeadingsWithText(QTextDocument& doc) {
    // Each pass moves one heading; there can be no more passes than headings.
    for (int nPass = 0; nPass < doc.blockCount(); ++nPass) {
        bool bMoved = false;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            QTextBlockFormat format = block.blockFormat();
            const QTextBlock next = block.next();
            if (format.headingLevel() == 0 || !next.isValid() ||
                format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            // The first line of what follows must share the heading's page. A block's top is its first line's.
            const QTextLayout* pLayout = next.layout();
            double dFirstLineBottom = BlockTop(doc, next);
            if (pLayout != nullptr && pLayout->lineCount() > 0)
                dFirstLineBottom += pLayout->lineAt(0).height();
            if (PageOf(BlockTop(doc, block)) == PageOf(dFirstLineBottom - 0.01))
                continue;
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            Relayout(doc);
            bMoved = true;
            break; // everything after it moved: measure again
        }
        if (!bMoved)
            return;
    }
}

// A code line is never wrapped: one wider than its box would be cut off at the page's edge.
QStringList TooWideCodeLines(const QTextDocument& doc) {
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* pLayout = block.layout();
        if (!InCodeFrame(block) || pLayout == nullptr)
            continue;
        for (int i = 0; i < pLayout->lineCount(); ++i)
            if (pLayout->lineAt(i).naturalTextWidth() > kBodyWidth - 2 * kCodePadding)
                lines.push_back(block.text());
    }
    return lines;
}

std::vector<CTocEntry> Contents(const QTextDocument& doc) {
    std::vector<CTocEntry> entries;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int nLevel = block.blockFormat().headingLevel();
        if (nLevel == 1 || nLevel == 2)
            entries.push_back({nLevel, block.text(), PageOf(BlockTop(doc, block))});
    }
    return entries;
}

// ---- the pages

class CManualWriter {
public:
    CManualWriter(QPdfWriter& writer, QString strVersion) : m_writer(writer), m_strVersion(std::move(strVersion)) {}

    bool Begin() { return m_painter.begin(&m_writer); }
    bool End() { return m_painter.end(); }

    void TitlePage(const QImage& icon) {
        const double dCentre = kPageWidth / 2;
        double dY = 62 * kMm;
        if (!icon.isNull()) {
            const double dSide = 34 * kMm;
            m_painter.drawImage(QRectF(dCentre - dSide / 2, dY, dSide, dSide), icon);
            dY += dSide + 12 * kMm;
        } else {
            dY += 46 * kMm;
        }
        dY = Centred(QStringLiteral("Lockwarden"), Font(SansFamily(), 34, QFont::Bold), kAccent, dY);
        dY = Centred(QStringLiteral("User Manual"), Font(SansFamily(), 17), QColor(Qt::black), dY + 3 * kMm);
        dY = Centred(QStringLiteral("Version ") + m_strVersion, Font(SansFamily(), 11), kMuted, dY + 5 * kMm);

        m_painter.setPen(QPen(kRule, 0.8));
        m_painter.drawLine(QPointF(dCentre - 40 * kMm, dY + 9 * kMm), QPointF(dCentre + 40 * kMm, dY + 9 * kMm));
        const QRectF about(dCentre - 62 * kMm, dY + 15 * kMm, 124 * kMm, 30 * kMm);
        m_painter.setFont(Font(SansFamily(), 11));
        m_painter.setPen(QColor(Qt::black));
        m_painter.drawText(about, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                           QStringLiteral("Lockwarden is an encrypted flat file database for storing and retrieving "
                                          "URLs, User Names, and Passwords for internet websites."));

        const double dFoot = kPageHeight - 40 * kMm;
        dY = Centred(QStringLiteral("lockwarden and lockwarden-cli for the Linux desktop"), Font(SansFamily(), 10),
                     kMuted, dFoot);
        Centred(QStringLiteral("Fernhollow"), Font(SansFamily(), 10, QFont::Bold), kMuted, dY + 2 * kMm);
    }

    // The contents, from the second page on; returns how many pages they take.
    static int ContentsPages(const std::vector<CTocEntry>& entries) {
        const int nPerPage = static_cast<int>((kBodyHeight - kContentsHeading) / kContentsLine);
        return std::max(1, (static_cast<int>(entries.size()) + nPerPage - 1) / nPerPage);
    }

    void ContentsPage(const std::vector<CTocEntry>& entries, int nFirstBodyPage) {
        const int nPerPage = static_cast<int>((kBodyHeight - kContentsHeading) / kContentsLine);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i % static_cast<std::size_t>(nPerPage) == 0) {
                NewPage();
                m_painter.setFont(Font(SansFamily(), 19, QFont::Bold));
                m_painter.setPen(kAccent);
                m_painter.drawText(QRectF(kMarginLeft, kMarginTop, kBodyWidth, kContentsHeading),
                                   Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Contents"));
            }
            const CTocEntry& entry = entries[i];
            const double dTop = kMarginTop + kContentsHeading + static_cast<double>(i % nPerPage) * kContentsLine;
            const bool bChapter = entry.nLevel == 1;
            const QFont font = Font(SansFamily(), bChapter ? 10.5 : 9.5, bChapter ? QFont::Bold : QFont::Normal);
            const double dIndent = bChapter ? 0 : 7 * kMm;
            const QString strPage = QString::number(nFirstBodyPage + entry.nBodyPage);
            const QFontMetricsF metrics(font, &m_writer);
            const QRectF line(kMarginLeft + dIndent, dTop, kBodyWidth - dIndent, kContentsLine);
            m_painter.setFont(font);
            m_painter.setPen(bChapter ? kAccent : QColor(Qt::black));
            m_painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom, entry.strTitle);
            m_painter.drawText(line, Qt::AlignRight | Qt::AlignBottom, strPage);
            // A dotted leader from the title to its page number, drawn, so the text reads back clean.
            const double dBaseline = dTop + kContentsLine - metrics.descent();
            const double dFrom = line.left() + metrics.horizontalAdvance(entry.strTitle) + 2 * kMm;
            const double dTo = line.right() - metrics.horizontalAdvance(strPage) - 2 * kMm;
            if (dTo > dFrom) {
                QPen dots(kRule, 0.9, Qt::DotLine);
                m_painter.setPen(dots);
                m_painter.drawLine(QPointF(dFrom, dBaseline), QPointF(dTo, dBaseline));
            }
        }
    }

    void BodyPage(QTextDocument& doc, int nBodyPage) {
        NewPage();
        m_painter.save();
        m_painter.translate(kMarginLeft, kMarginTop - nBodyPage * kBodyHeight);
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout draws every block and line that meets its clip, and the painter's clip hides, but
        // does not leave out, what lies beyond the page: the last line of the page before, or a heading
        // of the next page that begins within the slack, would be in the PDF's text twice. The layout's
        // clip therefore stays the slack inside the page at both ends.
        const double dTop = nBodyPage * kBodyHeight;
        context.clip = QRectF(0, dTop + kPageSlack, kBodyWidth, kBodyHeight - 2 * kPageSlack);
        context.palette.setColor(QPalette::Text, Qt::black);
        m_painter.setClipRect(QRectF(0, dTop - kPageSlack, kBodyWidth, kBodyHeight + kPageSlack));
        doc.documentLayout()->draw(&m_painter, context);
        m_painter.restore();
    }

    // For the footers: the pages of the whole manual, the title page included, which shows no number.
    void SetPageCount(int nPages) { m_nPages = nPages; }

private:
    static constexpr double kContentsHeading = 13 * kMm;
    static constexpr double kContentsLine = 5.3 * kMm;

    double Centred(const QString& str, const QFont& font, const QColor& colour, double dTop) {
        const QFontMetricsF metrics(font, &m_writer);
        m_painter.setFont(font);
        m_painter.setPen(colour);
        m_painter.drawText(QRectF(0, dTop, kPageWidth, metrics.height()), Qt::AlignHCenter | Qt::AlignTop, str);
        return dTop + metrics.height();
    }

    void NewPage() {
        m_writer.newPage();
        ++m_nPage;
        const double dRule = kMarginTop + kBodyHeight + kFooterGap;
        m_painter.setPen(QPen(kRule, 0.6));
        m_painter.drawLine(QPointF(kMarginLeft, dRule), QPointF(kPageWidth - kMarginRight, dRule));
        const QRectF footer(kMarginLeft, dRule + 1.5 * kMm, kBodyWidth, 6 * kMm);
        m_painter.setFont(Font(SansFamily(), 8));
        m_painter.setPen(kMuted);
        m_painter.drawText(footer, Qt::AlignLeft | Qt::AlignTop,
                           QStringLiteral("Lockwarden %1 User Manual").arg(m_strVersion));
        m_painter.drawText(footer, Qt::AlignRight | Qt::AlignTop,
                           QStringLiteral("Page %1 of %2").arg(m_nPage).arg(m_nPages));
    }

    QPdfWriter& m_writer;
    QString m_strVersion;
    QPainter m_painter;
    int m_nPage = 1;
    int m_nPages = 0;
};

QImage LoadIcon(const QString& strPath) {
    if (strPath.isEmpty())
        return {};
    QImageReader reader(strPath);
    // Drawn 34 mm wide: 600 pixels keep it sharp in print.
    reader.setScaledSize(QSize(600, 600));
    QImage image = reader.read();
    if (image.isNull())
        std::fprintf(stderr, "make_manual: no icon on the title page: %s\n", qPrintable(reader.errorString()));
    return image;
}

QtMessageHandler s_previousHandler = nullptr;

// The offscreen platform looks for the user's runtime folder, which a build machine may well lack; a
// program that only writes a PDF has no use for it, and the build log is better without the warning.
void SkipRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& str) {
    if (type == QtWarningMsg && str.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    s_previousHandler(type, context, str);
}

int Fail(const QString& str) {
    std::fprintf(stderr, "make_manual: %s\n", qPrintable(str));
    return 1;
}

// Lays the manual out and writes it to strPath; an empty result is success, else the reason.
QString WriteManual(const QString& strMarkdown, const QString& strPath, const QString& strVersion,
                    const QString& strIcon) {
    QPdfWriter writer(strPath);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(QStringLiteral("Lockwarden User Manual"));
    writer.setCreator(QStringLiteral("Lockwarden ") + strVersion);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setUseDesignMetrics(true);
    doc.setDocumentMargin(0);
    doc.setDefaultFont(Font(SansFamily(), kBodyPoints));
    doc.setIndentWidth(5 * kMm);
    doc.setMarkdown(strMarkdown);
    FrameCodeBlocks(doc);
    StyleBlocks(doc);
    MarkListItems(doc);
    StyleCode(doc);
    StyleTables(doc);
    Relayout(doc);
    KeepHeadingsWithText(doc);
    if (const QStringList lines = TooWideCodeLines(doc); !lines.isEmpty())
        return QStringLiteral("code lines too wide for the page:\n") + lines.join(QLatin1Char('\n'));
    const int nBodyPages = doc.pageCount();
    const std::vector<CTocEntry> entries = Contents(doc);
    const int nContentsPages = CManualWriter::ContentsPages(entries);

    CManualWriter manual(writer, strVersion);
    manual.SetPageCount(1 + nContentsPages + nBodyPages);
    if (!manual.Begin())
        return strPath + QStringLiteral(": cannot be written");
    manual.TitlePage(LoadIcon(strIcon));
    manual.ContentsPage(entries, 2 + nContentsPages);
    for (int i = 0; i < nBodyPages; ++i)
        manual.BodyPage(doc, i);
    if (!manual.End())
        return strPath + QStringLiteral(": writing failed");
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // The manual is made during the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    s_previousHandler = qInstallMessageHandler(SkipRuntimeFolderWarning);
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4 || args.size() > 5)
        return Fail(QStringLiteral("usage: make_manual SOURCE.md OUTPUT.pdf VERSION [ICON.svg]"));
    const QString strSource = args.at(1);
    const QString strOutput = args.at(2);

    QFile source(strSource);
    if (!source.open(QIODevice::ReadOnly))
        return Fail(strSource + QStringLiteral(": ") + source.errorString());
    const QString strMarkdown = QString::fromUtf8(source.readAll());

    // Written under another name and renamed when complete, so a failed run leaves no PDF that looks done.
    const QString strPartial = strOutput + QStringLiteral(".part");
    const QString strError = WriteManual(strMarkdown, strPartial, args.at(3), args.value(4));
    if (!strError.isEmpty()) {
        QFile::remove(strPartial);
        return Fail(strError);
    }
    QFile::remove(strOutput);
    if (!QFile::rename(strPartial, strOutput))
        return Fail(strOutput + QStringLiteral(": cannot be put in place"));
    return 0;
}
