#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <string_view>

class QSettings;
class QVariant;

// The per-user settings store: sections of named integer and text values, kept in an INI file
// ($XDG_CONFIG_HOME/Fernhollow/Lockwarden.conf). Section and value names match without regard to case,
// as the program's sections "settings" and "Settings" are meant to be one. A missing or unreadable
// value gives the caller's default; failed writes are ignored.
class CProfileStore {
public:
    // The store of company strCompany and application strApp under the user's configuration folder.
    CProfileStore(const QString& strCompany, const QString& strApp);
    // A store kept in the given file.
    explicit CProfileStore(const QString& strFilePath);
    ~CProfileStore();
    CProfileStore(const CProfileStore&) = delete;
    CProfileStore& operator=(const CProfileStore&) = delete;

    static QString ConfigFolder();
    // Where the store of strCompany and strApp keeps its file.
    static QString FilePathOf(const QString& strCompany, const QString& strApp);
    QString FilePath() const;

    int GetProfileInt(const QString& strSection, const QString& strEntry, int nDefault) const;
    // bFound tells a missing value from an empty one.
    QString GetProfileString(const QString& strSection, const QString& strEntry, const QString& strDefault = {},
                             bool* bFound = nullptr) const;
    // An 8-bit text setting, byte for byte: UTF-8 is stored as a plain text value, anything else (a site
    // name from a file written on Windows) as raw bytes, so it comes back exactly as it was written.
    std::string GetProfileBytes(const QString& strSection, const QString& strEntry) const;
    void WriteProfileBytes(const QString& strSection, const QString& strEntry, std::string_view bytes);
    void WriteProfileInt(const QString& strSection, const QString& strEntry, int nValue);
    void WriteProfileString(const QString& strSection, const QString& strEntry, const QString& strValue);
    // The names of the values in a section.
    QStringList GetProfileEntries(const QString& strSection) const;
    // Removes a value; an empty entry name removes the whole section.
    void RemoveProfileEntry(const QString& strSection, const QString& strEntry = {});
    // Removes every section and the file itself.
    void RemoveAll();
    void Sync();

private:
    QString ResolveKey(const QString& strSection, const QString& strEntry) const;
    // Every write goes through here, so the file is owner-only before the settings first save it.
    void SetValue(const QString& strKey, const QVariant& value);

    std::unique_ptr<QSettings> m_pSettings;
    bool m_bOwnerOnly = false;
};
