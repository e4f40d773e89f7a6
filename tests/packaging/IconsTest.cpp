#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct IconCase {
    const char* szName;
    QString strInstalledFile; // as the desktop finds it
    QString strResource;      // as the program finds it
};

const IconCase kIcons[] = {
    {"program", QStringLiteral(LOCKWARDEN_PACKAGING_DIR "/icons/lockwarden.svg"),
     QStringLiteral(":/icons/lockwarden.svg")},
    {"document", QStringLiteral(LOCKWARDEN_PACKAGING_DIR "/icons/application-x-lockwarden.svg"),
     QStringLiteral(":/icons/lockwarden-document.svg")},
};

// An icon is drawn into its square with the corners left clear and its mark covering most of it; a broken
// view box or a shape Qt's SVG renderer does not draw fails one of these.
void ExpectDrawnIcon(const QImage& image, int nSize) {
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(nSize, nSize));
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0) << "top left corner is not clear";
    EXPECT_EQ(qAlpha(argb.pixel(nSize / 2, nSize / 2)), 255) << "centre is not opaque";
    int nOpaque = 0;
    for (int y = 0; y < nSize; ++y)
        for (int x = 0; x < nSize; ++x)
            nOpaque += qAlpha(argb.pixel(x, y)) > 127 ? 1 : 0;
    EXPECT_GT(nOpaque, nSize * nSize * 4 / 10) << "the mark covers too little of the icon";
}

TEST(Icons, QtDrawsTheInstalledSvgAtEverySize) {
    for (const IconCase& c : kIcons) {
        for (const int nSize : kSizes) {
            SCOPED_TRACE(std::string(c.szName) + " at " + std::to_string(nSize));
            QImageReader reader(c.strInstalledFile);
            ASSERT_TRUE(reader.canRead())
                << "Qt has no SVG image plugin (libqt6svg6): " << reader.errorString().toStdString();
            reader.setScaledSize(QSize(nSize, nSize));
            ExpectDrawnIcon(reader.read(), nSize);
        }
    }
}

TEST(Icons, TheProgramCarriesTheSameIconsAsResources) {
    for (const IconCase& c : kIcons) {
        SCOPED_TRACE(c.szName);
        QFile resource(c.strResource);
        QFile installed(c.strInstalledFile);
        ASSERT_TRUE(resource.open(QIODevice::ReadOnly)) << c.strResource.toStdString();
        ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
        EXPECT_EQ(resource.readAll(), installed.readAll());
    }
}

// Window and dialog icons go through QIcon; without the SVG icon engine a QIcon of an SVG stops at the
// image's own 64 pixels and the large sizes come out small.
TEST(Icons, QIconScalesTheResourceIconToLargeSizes) {
    for (const IconCase& c : kIcons) {
        const QIcon icon(c.strResource);
        ASSERT_FALSE(icon.isNull()) << c.szName;
        for (const int nSize : kSizes) {
            SCOPED_TRACE(std::string(c.szName) + " at " + std::to_string(nSize));
            ExpectDrawnIcon(icon.pixmap(QSize(nSize, nSize)).toImage(), nSize);
        }
    }
}

} // namespace
