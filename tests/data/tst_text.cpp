#include "CodePage1251.h"
#include "Numbers.h"
#include "TestSupport.h"
#include "TextFolding.h"

#include <QtTest>

// Numbers under Russian settings, code page 1251 and the folded keys.
class TextTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    void generalFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 3.0 << QStringLiteral("3");
        QTest::newRow("decimal comma") << 2.5 << QStringLiteral("2,5");
        QTest::newRow("sum of tenths") << 0.1 + 0.2 << QStringLiteral("0,3");
        QTest::newRow("negative") << -12.75 << QStringLiteral("-12,75");
        QTest::newRow("no thousands separator") << 1234567.0 << QStringLiteral("1234567");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("fifteen digits") << 1.0 / 3.0 << QStringLiteral("0,333333333333333");
    }

    void generalFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Numbers::general(value), text);
    }

    void masks_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.## drops zeros") << 2.5 << "0.##" << QStringLiteral("2,5");
        QTest::newRow("0.## whole") << 3.0 << "0.##" << QStringLiteral("3");
        QTest::newRow("0.## rounds") << 1.006 << "0.##" << QStringLiteral("1,01");
        QTest::newRow("0.00 rounds the typed half up") << 2.675 << "0.00" << QStringLiteral("2,68");
        QTest::newRow("0.00 carries into the integer")
            << 9.995 << "0.00" << QStringLiteral("10,00");
        QTest::newRow("0.## below one") << 0.25 << "0.##" << QStringLiteral("0,25");
        QTest::newRow("0.00 keeps zeros") << 12.0 << "0.00" << QStringLiteral("12,00");
        QTest::newRow("0.00 negative") << -0.5 << "0.00" << QStringLiteral("-0,50");
        QTest::newRow("# ##0 small") << 950.4 << "# ##0" << QStringLiteral("950");
        QTest::newRow("# ##0 thousands") << 12345.6 << "# ##0" << QStringLiteral("12 346");
        QTest::newRow("# ##0 millions") << 1234567.0 << "# ##0" << QStringLiteral("1234 567");
        QTest::newRow("# ##0 zero") << 0.0 << "# ##0" << QStringLiteral("0");
        QTest::newRow("# ##0 negative") << -4321.0 << "# ##0" << QStringLiteral("-4 321");
    }

    void masks()
    {
        QFETCH(double, value);
        QFETCH(QString, mask);
        QFETCH(QString, text);
        QCOMPARE(Numbers::masked(value, mask), text);
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("outOfRange");
        QTest::newRow("comma") << "2,5" << true << 2.5 << false;
        QTest::newRow("point") << "2.5" << true << 2.5 << false;
        QTest::newRow("blanks") << " -3 " << true << -3.0 << false;
        QTest::newRow("empty") << "" << false << 0.0 << false;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0 << false;
        QTest::newRow("two points") << "1.2.3" << false << 0.0 << false;
        QTest::newRow("point first") << ",5" << true << 0.5 << false;
        QTest::newRow("leading plus") << "+4,25" << true << 4.25 << false;
        QTest::newRow("thirty digits")
            << "123456789012345678901234567890,5" << true << 1.2345678901234568e29 << false;
        QTest::newRow("word") << "два" << false << 0.0 << false;
        QTest::newRow("largest in fifteen digits")
            << "-1,79769313486231e308" << true << -1.79769313486231e308 << false;
        QTest::newRow("smallest real number")
            << "4.9406564584124654e-324" << true << 4.9406564584124654e-324 << false;
        // Its fifteen digits, 1.79769313486232e+308, are past the largest.
        QTest::newRow("largest real number") << "1.7976931348623157e308" << false << 0.0 << true;
        QTest::newRow("past real numbers") << "-1e309" << false << 0.0 << true;
        QTest::newRow("too small to hold") << "1e-400" << false << 0.0 << true;
    }

    void parsing()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        QFETCH(bool, outOfRange);
        const std::optional<double> parsed = Numbers::parse(text);
        QCOMPARE(parsed.has_value(), ok);
        QCOMPARE(Numbers::outOfRange(text), outOfRange);
        if (ok) {
            QCOMPARE(*parsed, value);
            // What is accepted is written in a form that reads back.
            QVERIFY(Numbers::parse(Numbers::general(*parsed)));
        }
    }

    void pointFormTurnsOnlyTheFirstComma()
    {
        QCOMPARE(Numbers::pointForm(Numbers::general(2.5)), QStringLiteral("2.5"));
        QCOMPARE(Numbers::pointForm(QStringLiteral("1,5,0")), QStringLiteral("1.5,0"));
    }

    void codePageRoundTripsEveryCyrillicLetter()
    {
        QString letters = QStringLiteral("ЁёЎў№");
        for (char16_t c = u'А'; c <= u'я'; ++c)
            letters += QChar(c);
        QVERIFY(CodePage1251::canEncode(letters));
        const QByteArray bytes = CodePage1251::encode(letters);
        QCOMPARE(bytes.size(), letters.size());
        QCOMPARE(CodePage1251::decode(bytes), letters);
        // The bytes that files of the old format hold.
        QCOMPARE(CodePage1251::encode(QStringLiteral("№ЁёАя.СО")),
                 QByteArray("\xB9\xA8\xB8\xC0\xFF\x2E\xD1\xCE"));
    }

    void codePageKnowsWhatItCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("diameter") << QStringLiteral("Ø160");
        QTest::newRow("less or equal") << QStringLiteral("t ≤ 90");
        QTest::newRow("squared") << QStringLiteral("м²");
    }

    void codePageKnowsWhatItCannotHold()
    {
        QFETCH(QString, text);
        QVERIFY(!CodePage1251::canEncode(text));
        QVERIFY(CodePage1251::canEncode(QStringLiteral("Воздуховод d=160 «ВК» — 2 шт.")));
    }

    // The keys the catalogue's files hold: a key written by an earlier
    // version must still equal the one written now.
    void keysFoldAsTheFilesHoldThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::addColumn<QString>("searchKey");
        QTest::newRow("Ё and ё") << "ЁЖ"
                                 << "ёж"
                                 << "ёж";
        QTest::newRow("Latin") << "KV-315"
                               << "kv-315"
                               << "kv-315";
        QTest::newRow("look-alike letters only in the search key") << "Вентилятор ВР-80 600х300"
                                                                   << "вентилятор вр-80 600х300"
                                                                   << "behtиляtop bp-80 600x300";
        QTest::newRow("Ѐ..Џ and Ѡ") << "ЀЂЏѠ"
                                    << "ѐђџѡ"
                                    << "ѐђџѡ";
        // The micro sign folds to the Greek letter; the degree sign stays.
        QTest::newRow("Greek and signs") << QStringLiteral("\u0394\u03A9 \u00B5 \u2103")
                                         << QStringLiteral("\u03B4\u03C9 \u03BC \u2103")
                                         << QStringLiteral("\u03B4\u03C9 \u03BC \u2103");
        QTest::newRow("leading byte-order mark")
            << QStringLiteral("\uFEFFЯ") << QStringLiteral("\uFEFFя") << QStringLiteral("\uFEFFя");
    }

    void keysFoldAsTheFilesHoldThem()
    {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        QFETCH(QString, searchKey);
        QCOMPARE(TextFolding::folded(text), folded);
        QCOMPARE(TextFolding::searchKey(text), searchKey);
        QVERIFY(TextFolding::equal(text, folded));
    }
};

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
