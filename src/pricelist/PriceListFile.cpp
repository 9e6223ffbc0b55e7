#include "PriceListFile.h"

#include "CsvPriceList.h"
#include "RegularFile.h"
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
