#pragma once

#include <QString>
#include <QStringList>

// The program's settings under the names it has always used: the per-user
// key "SoftWare\Kvintor" (path, firma, cadBridge) and the machine-wide key
// "SoftWare\Kvintor group\Kvintor\9.11" (Company). On Windows these are
// registry keys; elsewhere ini files in the user's and the system's
// configuration folders.
class Settings {
public:
    // Folder of the catalogue database; empty means the program folder.
    QString path() const;
    // The catalogue on a server (postgresql://user@host:port/base) that
    // replaces the file in the folder of path; empty: the file.
    QString catalogue() const;
    // The firm name that the user chose.
    QString firma() const;
    void setFirma(const QString &firma);
    // The firm name of the installation.
    QString company() const;
    // The program that bridges to the CAD program; empty means none.
    QString cadBridge() const;

    // The firm name to show: firma, else Company, else "Kvintor".
    QString firmName() const;
    // The same at the editor's start, which also keeps Company as the user's
    // firma when firma is empty.
    QString resolveFirmName();

    // The specifications last opened or saved, the newest first, at most
    // kRecentFiles of them.
    static constexpr int kRecentFiles = 10;
    QStringList recentFiles() const;
    // Puts path first in the list; an empty path changes nothing.
    void addRecentFile(const QString &path);
    void removeRecentFile(const QString &path);
    // The folder a file was last opened from or saved to; empty before.
    QString lastFolder() const;
    void setLastFolder(const QString &folder);

    // The columns of a price list last imported from a file of this name
    // pattern (digits as "#"), as "field=column" texts; empty before.
    QStringList priceListColumns(const QString &pattern) const;
    void setPriceListColumns(const QString &pattern, const QStringList &columns);

    // The catalogue folder for a path value: the value with a folder
    // separator ensured at its end, or the program folder when it is empty.
    static QString catalogueFolder(const QString &pathValue, const QString &programFolder);

private:
    QString userValue(const QString &name) const;
    void setUserValue(const QString &name, const QVariant &value);
};
