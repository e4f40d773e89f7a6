#include "core/platform/ProfileStore.h"

#include "core/platform/Text.h"
#include "core/platform/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The store holds the name of the last site shown: only its owner may read it. The settings' own save
// replaces the file with one of the same mode, so making the file owner-only before a write, or creating
// it so, keeps every later version owner-only too.
void MakeOwnerOnly(const QString& strPath, bool bCreate) {
    const QByteArray path = QFile::encodeName(strPath);
    if (::chmod(path.constData(), S_IRUSR | S_IWUSR) == 0 || errno != ENOENT || !bCreate)
        return;
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        ::close(fd);
}
} // namespace

QString CProfileStore::ConfigFolder() {
    return XdgBaseFolder("XDG_CONFIG_HOME", ".config");
}

QString CProfileStore::FilePathOf(const QString& strCompany, const QString& strApp) {
    return ConfigFolder() + QLatin1Char('/') + strCompany + QLatin1Char('/') + strApp + QLatin1String(".conf");
}

CProfileStore::CProfileStore(const QString& strCompany, const QString& strApp)
    : CProfileStore(FilePathOf(strCompany, strApp)) {}

CProfileStore::CProfileStore(const QString& strFilePath)
    : m_pSettings(std::make_unique<QSettings>(strFilePath, QSettings::IniFormat)) {
    MakeOwnerOnly(strFilePath, false);
}

void CProfileStore::SetValue(const QString& strKey, const QVariant& value) {
    if (!m_bOwnerOnly) {
        MakeOwnerOnly(m_pSettings->fileName(), true);
        m_bOwnerOnly = true;
    }
    m_pSettings->setValue(strKey, value);
}

CProfileStore::~CProfileStore() {
    m_pSettings->sync();
}

QString CProfileStore::FilePath() const {
    return m_pSettings->fileName();
}

// The key as it stands in the file when a section or value of that name exists in any letter case,
// else the name as given.
QString CProfileStore::ResolveKey(const QString& strSection, const QString& strEntry) const {
    QString strGroup = strSection;
    const QStringList groups = m_pSettings->childGroups();
    for (const QString& g : groups) {
        if (g.compare(strSection, Qt::CaseInsensitive) == 0) {
            strGroup = g;
            break;
        }
    }
    if (strEntry.isEmpty())
        return strGroup;
    QString strKey = strEntry;
    m_pSettings->beginGroup(strGroup);
    const QStringList keys = m_pSettings->childKeys();
    m_pSettings->endGroup();
    for (const QString& k : keys) {
        if (k.compare(strEntry, Qt::CaseInsensitive) == 0) {
            strKey = k;
            break;
        }
    }
    return strGroup + QLatin1Char('/') + strKey;
}

QStringList CProfileStore::GetProfileEntries(const QString& strSection) const {
    m_pSettings->beginGroup(ResolveKey(strSection, {}));
    const QStringList keys = m_pSettings->childKeys();
    m_pSettings->endGroup();
    return keys;
}

int CProfileStore::GetProfileInt(const QString& strSection, const QString& strEntry, int nDefault) const {
    const QVariant v = m_pSettings->value(ResolveKey(strSection, strEntry));
    if (!v.isValid())
        return nDefault;
    bool bOk = false;
    const QString s = v.toString().trimmed();
    const int n = s.toInt(&bOk);
    return bOk ? n : nDefault;
}

QString CProfileStore::GetProfileString(const QString& strSection, const QString& strEntry, const QString& strDefault,
                                        bool* bFound) const {
    const QVariant v = m_pSettings->value(ResolveKey(strSection, strEntry));
    const bool bHave = v.isValid() && v.canConvert<QString>();
    if (bFound != nullptr)
        *bFound = bHave;
    if (!bHave)
        return strDefault;
    // A text of several comma-separated parts comes back from INI as a list.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

std::string CProfileStore::GetProfileBytes(const QString& strSection, const QString& strEntry) const {
    const QVariant v = m_pSettings->value(ResolveKey(strSection, strEntry));
    if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return FromDisplayText(GetProfileString(strSection, strEntry));
}

void CProfileStore::WriteProfileBytes(const QString& strSection, const QString& strEntry, std::string_view bytes) {
    if (IsUtf8Text(bytes))
        WriteProfileString(strSection, strEntry, ToDisplayText(bytes));
    else
        SetValue(ResolveKey(strSection, strEntry), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void CProfileStore::WriteProfileInt(const QString& strSection, const QString& strEntry, int nValue) {
    SetValue(ResolveKey(strSection, strEntry), nValue);
}

void CProfileStore::WriteProfileString(const QString& strSection, const QString& strEntry, const QString& strValue) {
    SetValue(ResolveKey(strSection, strEntry), strValue);
}

void CProfileStore::RemoveProfileEntry(const QString& strSection, const QString& strEntry) {
    m_pSettings->remove(ResolveKey(strSection, strEntry));
}

void CProfileStore::RemoveAll() {
    m_pSettings->clear();
    m_pSettings->sync();
    QFile::remove(m_pSettings->fileName());
}

void CProfileStore::Sync() {
    m_pSettings->sync();
}
