// Writes the reader's seed files with the real writer, so the seeds follow the layout the program
// produces: make_reader_corpus OUTPUT_FOLDER.
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <functional>
#include <string>

namespace {

bool WriteSeed(const QString& strPath, const std::function<void(CArchive&)>& write) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Flush();
    return file.error() == QFileDevice::NoError;
}

CSiteArray Sites(std::initializer_list<CSiteInfo> list) {
    CSiteArray sites;
    for (const CSiteInfo& site : list)
        sites.push_back(std::make_unique<CSiteInfo>(site));
    return sites;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString strDir = QFile::decodeName(argv[1]) + QLatin1Char('/');
    bool bOk = true;
    auto database = [&](const char* pName, const std::string& strPassword, const CSiteArray& sites) {
        bOk &= WriteSeed(strDir + QLatin1String(pName),
                         [&](CArchive& ar) { SiteDatabaseFormat::Write(ar, strPassword, sites); });
    };
    database("empty.lwd", "", {});
    database("one-record.lwd", "", Sites({CSiteInfo("a", "b", "c", "d", "e")}));
    database("three-records-with-password.lwd", "fuzz",
             Sites({CSiteInfo("Bank", "https://bank.example", "me", "s3cret!", "pin 1234"),
                    CSiteInfo("Mail", "https://mail.example", "me@mail.example", "pw", ""),
                    CSiteInfo("", "", "", "", "line one\r\nline two")}));
    database("long-field.lwd", "", Sites({CSiteInfo(std::string(300, 'x'), "", "", "", "")}));
    // The 16-bit string form the writer never produces but the reader accepts: "caf\u00e9" as a site name.
    bOk &= WriteSeed(strDir + QLatin1String("utf16-field.lwd"), [](CArchive& ar) {
        ar.WriteString(SiteDatabaseFormat::kBanner);
        ar.WriteString("");
        ar.WriteDWord(1);
        ar.WriteClassTag(CSiteInfo::kClassName, CSiteInfo::kSchema);
        ar.WriteByte(0xFF);
        ar.WriteWord(0xFFFE);
        ar.WriteByte(4);
        ar.WriteBytes("c\0a\0f\0\xE9\0", 8);
        for (int i = 0; i < 4; ++i)
            ar.WriteString("");
    });
    return bOk ? 0 : 1;
}
