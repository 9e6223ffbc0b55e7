#include "PriceListFile.h"

#include "AppError.h"
#include "CsvPriceList.h"
#include "RegularFile.h"
#include "SystemErrors.h"
#include "XlsxPriceList.h"

#include <QFile>

namespace {

bool isWorkbook(const QString &path)
{
    // A named pipe would hold the look at its first bytes for ever.
    RegularFile::require(path, QStringLiteral("Прайс-лист"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // the reader says why
    const QByteArray start = file.read(4);
    return start == QByteArrayLiteral("PK\x03\x04") || start == "\xD0\xCF\x11\xE0";
}

} // namespace

namespace PriceListFile {

QByteArray bytes(const QString &path)
{
    RegularFile::require(path, QStringLiteral("Прайс-лист"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось открыть прайс-лист: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Не удалось прочитать прайс-лист: ") +
                           SystemErrors::reason(file) + u'.',
                       path);
    return bytes;
}

QString nameFilter()
{
    return QStringLiteral("Прайс-листы (*.csv *.xlsx *.txt);;Все файлы (*)");
}

QStringList sheetNames(const QString &path)
{
    return isWorkbook(path) ? XlsxPriceList::sheetNames(path) : QStringList();
}

PriceTable read(const QString &path, int sheet)
{
    return isWorkbook(path) ? XlsxPriceList::read(path, sheet) : CsvPriceList::read(path);
}

} // namespace PriceListFile
