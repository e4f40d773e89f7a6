// Reads arbitrary bytes as a site database: the header, then the records, without a password and with
// one, through a seekable buffer and through a device that cannot tell its size (a pipe). A damaged
// file may only end in CArchiveException; whatever loads must write and read back to the same records.
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"

#include "SequentialDevice.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool SameRecords(const CSiteArray& a, const CSiteArray& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i]->m_strSite != b[i]->m_strSite || a[i]->m_strURL != b[i]->m_strURL ||
            a[i]->m_strUser != b[i]->m_strUser || a[i]->m_strPswd != b[i]->m_strPswd ||
            a[i]->m_strNotes != b[i]->m_strNotes)
            return false;
    }
    return true;
}

// Loads what the device holds; true when the whole layout was read.
bool Load(QIODevice& device, const std::string& strPassword, int nBufferSize, CSiteArray& sites) {
    device.open(QIODevice::ReadOnly);
    try {
        CArchive ar(&device, CArchive::load, nBufferSize);
        std::string strBanner, strCheck;
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        if (!strCheck.empty())
            (void)SiteDatabaseFormat::IsPasswordRight(strPassword, strCheck);
        SiteDatabaseFormat::ReadRecords(ar, strPassword, sites);
    } catch (const CArchiveException&) {
        device.close();
        return false;
    }
    device.close();
    return true;
}

void CheckRoundTrip(const CSiteArray& sites, const std::string& strPassword) {
    QByteArray written;
    {
        QBuffer out(&written);
        out.open(QIODevice::WriteOnly);
        CArchive ar(&out, CArchive::store);
        SiteDatabaseFormat::Write(ar, strPassword, sites);
    }
    QBuffer in(&written);
    CSiteArray again;
    if (!Load(in, strPassword, CArchive::kDefaultBufferSize, again) || !SameRecords(sites, again))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const QByteArray bytes(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));
    for (const std::string& strPassword : {std::string(), std::string("fuzz")}) {
        QBuffer seekable;
        seekable.setData(bytes);
        CSiteArray sites;
        const bool bLoaded = Load(seekable, strPassword, CArchive::kDefaultBufferSize, sites);

        // A pipe and a tiny buffer take other paths through the reader but must reach the same result.
        CSequentialDevice pipe(bytes);
        CSiteArray piped;
        const bool bPipeLoaded = Load(pipe, strPassword, 16, piped);
        if (bLoaded != bPipeLoaded || (bLoaded && !SameRecords(sites, piped)))
            std::abort();
        if (bLoaded)
            CheckRoundTrip(sites, strPassword);
    }
    return 0;
}
