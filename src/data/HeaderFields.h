#pragma once

#include <QString>
#include <array>

// The header of a specification: the project data and the six executors who
// sign the sheet. The first twenty fields are stored in the specification
// file in this order; the stage is not.
struct HeaderFields {
    enum Field {
        Customer,     // "Заказчик:"
        CustomerMore, // its continuation
        Address,      // "Адрес:"
        AddressMore,  // its second line
        Object,       // "Объект:"
        ObjectMore,   // its second line
        DocumentCode, // "Шифр:"
        Section,      // "Раздел:"
        Role1,
        Surname1,
        Role2,
        Surname2,
        Role3,
        Surname3,
        Role4,
        Surname4,
        Role5,
        Surname5,
        Role6,
        Surname6,
        Stage, // "Стадия:", not stored in the file
        Count
    };
    static constexpr int kStoredCount = Stage;

    std::array<QString, Count> texts;

    QString &operator[](Field field) { return texts[field]; }
    const QString &operator[](Field field) const { return texts[field]; }
    bool operator==(const HeaderFields &) const = default;

    // What a new editor shows before any specification is opened.
    static HeaderFields defaults();
    // The most characters a field takes.
    static int maxLength(Field field);
};
