#pragma once

#include <clocale>
#include <locale.h>

// Libraries that print numbers into files with the C library (the workbook
// writer) follow the locale's decimal separator: under Russian settings
// "2,5" would make a broken file. While an object of this class lives, this
// thread prints with points.
class PointDecimals {
public:
    PointDecimals() : m_c(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~PointDecimals()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    PointDecimals(const PointDecimals &) = delete;
    PointDecimals &operator=(const PointDecimals &) = delete;

private:
    locale_t m_c;
    locale_t m_previous = nullptr;
};
