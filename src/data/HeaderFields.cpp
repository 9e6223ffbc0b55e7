#include "HeaderFields.h"

HeaderFields HeaderFields::defaults()
{
    HeaderFields header;
    header[Customer] = QStringLiteral("ГУП «Жилищное хозяйство»");
    header[CustomerMore] = QStringLiteral("Северного округа");
    header[Address] = QStringLiteral("Проект ремонта с перепланировкой административного здания");
    header[AddressMore] = QStringLiteral("ул. Садовая, д. 12, стр. 1");
    header[Object] = QStringLiteral("Отопление.");
    header[DocumentCode] = QStringLiteral("119/11");
    header[Section] = QStringLiteral("ОВ.СО");
    header[Stage] = QStringLiteral("РД");
    header[Role1] = QStringLiteral("ГИП");
    header[Surname1] = QStringLiteral("Соколов");
    header[Role2] = QStringLiteral("Гл. спец.");
    header[Surname2] = QStringLiteral("Белова");
    header[Role3] = QStringLiteral("Разраб");
    header[Surname3] = QStringLiteral("Орлов");
    return header;
}

int HeaderFields::maxLength(Field field)
{
    switch (field) {
    case Customer:
    case Address:
    case AddressMore:
        return 60;
    case CustomerMore:
        return 40;
    case Object:
    case ObjectMore:
        return 35;
    case DocumentCode:
    case Section:
        return 25;
    case Stage:
        return 4;
    default:
        return 9; // the executors
    }
}
