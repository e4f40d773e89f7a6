#include "core/platform/Text.h"

#include "core/platform/SecureWipe.h"

#include <QStringDecoder>

namespace {
// Windows-1252 for 0x80-0x9F; the undefined positions map to the C1 controls as Windows does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

bool IsAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string TrimWhiteSpace(std::string_view bytes) {
    constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
    const std::size_t nFirst = bytes.find_first_not_of(kWhiteSpace);
    if (nFirst == std::string_view::npos)
        return {};
    return std::string(bytes.substr(nFirst, bytes.find_last_not_of(kWhiteSpace) - nFirst + 1));
}

bool IsUtf8Text(std::string_view bytes) {
    if (IsAscii(bytes))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() is lazy: only turning its result into a string runs the decoder.
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

QString ToDisplayText(std::string_view bytes) {
    const auto n = static_cast<qsizetype>(bytes.size());
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes.data(), n);
    // A leading U+FEFF is a character of the field like any other; skipping it would lose three bytes on
    // the way back.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(bytes.data(), n));
    if (!decoder.hasError())
        return text;
    text.clear();
    text.reserve(n);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b)));
    }
    return text;
}

bool ToWindows1252(std::string_view utf8, std::string& strBytes) {
    if (!IsUtf8Text(utf8))
        return false;
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::string strOut;
    strOut.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Latin-1 but for 0x80-0x9F, where only the five positions Windows leaves undefined map to themselves.
        int nByte = u < 0x80 || (u >= 0xA0 && u <= 0xFF) ? u : -1;
        for (int i = 0; i < 32 && nByte < 0; ++i)
            if (kCp1252High[i] == u)
                nByte = 0x80 + i;
        if (nByte < 0)
            return false;
        strOut += static_cast<char>(nByte);
    }
    strBytes = std::move(strOut);
    return true;
}

std::string FromDisplayText(const QString& text) {
    // The conversion's own buffer holds what was typed (a password, say): wiped, not just freed.
    QByteArray utf8 = text.toUtf8();
    std::string str(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    WipeBytes(utf8);
    return str;
}

void TakeDisplayText(std::string& strBytes, const QString& strNow, const QString& strShown) {
    if (strNow == strShown)
        return;
    // The old value is wiped where it lived, and the new one leaves no second copy behind.
    std::string strNew = FromDisplayText(strNow);
    AssignSecret(strBytes, strNew);
    WipeString(strNew);
}

void TakeDisplayLines(std::string& strBytes, const QString& strNow, const QString& strShown) {
    if (strNow == strShown)
        return;
    QString strLines = strNow;
    strLines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string strNew = FromDisplayText(strLines);
    AssignSecret(strBytes, strNew);
    WipeString(strNew);
}
