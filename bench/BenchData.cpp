#include "BenchData.h"

#include "Database.h"
#include "Schema.h"
#include "Session.h"

#include <QCoreApplication>
#include <QStringList>
#include <vector>

namespace BenchData {
namespace {

const QStringList kGroups = {QStringLiteral("Вентиляторы"),
                             QStringLiteral("Воздухонагреватели"),
                             QStringLiteral("Фильтры"),
                             QStringLiteral("Шумоглушители"),
                             QStringLiteral("Клапаны и заслонки"),
                             QStringLiteral("Воздуховоды"),
                             QStringLiteral("Фасонные изделия воздуховодов"),
                             QStringLiteral("Решетки и диффузоры"),
                             QStringLiteral("Радиаторы и конвекторы"),
                             QStringLiteral("Арматура отопления"),
                             QStringLiteral("Трубы"),
                             QStringLiteral("Теплоизоляция"),
                             QStringLiteral("Крепеж")};

const QStringList kPrefixes = {QStringLiteral("ВК"), QStringLiteral("РКВ"),  QStringLiteral("Отв"),
                               QStringLiteral("ФЯ"), QStringLiteral("ШГ"),   QStringLiteral("Рад"),
                               QStringLiteral("Тр"), QStringLiteral("Изол"), QStringLiteral("Кр")};
const QString kLetters = QStringLiteral("АБВГДЕЁЖЗИКЛМНОПРСТУФХЦЧШЩЭЮЯ");

} // namespace

QString goodName(int index)
{
    return QStringLiteral("%1-%2-%3")
        .arg(kPrefixes[index % kPrefixes.size()])
        .arg(kLetters[(index / kPrefixes.size()) % kLetters.size()])
        .arg(index, 6, 10, QLatin1Char('0'));
}

void fillCatalogue(const Database &catalogue, int goods)
{
    // The pages the goods and their keys dirty stay in memory until the
    // commit, as the program's own bulk write of goods keeps them.
    catalogue.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    catalogue.inTransaction([&] {
        QSqlQuery insert = catalogue.prepare(
            QStringLiteral("INSERT INTO dorvik_data (%1) VALUES (?,?,?,?,?,?,?,?,?)")
                .arg(Schema::kGoodsColumns.join(u',')));
        for (int i = 0; i < goods; ++i) {
            const QString &group = kGroups[i % kGroups.size()];
            insert.bindValue(0, goodName(i));
            insert.bindValue(1, QStringLiteral("%1, исполнение %2").arg(group).arg(i));
            insert.bindValue(2, i % 5 == 0 ? QStringLiteral("мп") : QStringLiteral("Шт"));
            insert.bindValue(3, 1.5 + (i % 1000) * 0.75);
            insert.bindValue(4, QStringLiteral("%1,%2").arg(i % 40).arg(i % 10));
            insert.bindValue(5, QStringLiteral("Т-%1").arg(i % 977));
            insert.bindValue(6, QStringLiteral("7.%1.%2").arg(i % 13).arg(i));
            insert.bindValue(7, QStringLiteral("Завод №%1").arg(i % 17));
            insert.bindValue(8, group);
            catalogue.execPrepared(insert);
        }
        QSqlQuery group = catalogue.prepare(
            QStringLiteral("INSERT INTO dorvik_gruppa (name_gruppa, Numb) VALUES (?, ?)"));
        for (int place = 0; place < kGroups.size(); ++place) {
            group.bindValue(0, kGroups[place]);
            group.bindValue(1, place);
            catalogue.execPrepared(group);
        }
    });
}

void fillSpecification(const Database &working, int positions, int catalogueGoods)
{
    working.inTransaction([&] {
        QSqlQuery insert = working.prepare(QStringLiteral(
            "INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG, Comment) VALUES (?,?,?,?,?,?,?)"));
        for (int i = 0; i < positions; ++i) {
            const int good = (i * 7919) % catalogueGoods;
            const QString name =
                i % 20 == 19 ? QStringLiteral("Нет-в-каталоге-%1").arg(i) : goodName(good);
            insert.bindValue(0, name);
            insert.bindValue(1, name);
            insert.bindValue(2, 1 + (i % 9) * 0.5);
            insert.bindValue(3, QStringLiteral("Шт"));
            insert.bindValue(4, i + 1);
            insert.bindValue(5, good % kGroups.size());
            insert.bindValue(6, i % 3 == 0 ? QStringLiteral("этаж %1").arg(i % 12) : QString());
            working.execPrepared(insert);
        }
    });
}

void makeCatalogue(Session &session, const QString &path, int goods)
{
    session.setCatalogueFile(path);
    session.catalogue().create();
    Schema::createCatalogueTables(session.catalogue());
    fillCatalogue(session.catalogue(), goods);
    // The goods came in as another tool's would, without their keys; the
    // program fills them when it connects, once, before anything is measured.
    session.catalogue().close();
    session.catalogue().open();
    session.catalogue().close();
}

void makeWorkingDatabase(Session &session, const QString &path)
{
    session.setWorkingDatabasePath(path);
    session.working().create();
    Schema::createWorkingTables(session.working());
}

} // namespace BenchData

namespace BenchData {
namespace {

std::vector<std::function<void()>> &deleters()
{
    static std::vector<std::function<void()>> list;
    return list;
}

} // namespace

void deleteBeforeExit(std::function<void()> deleter)
{
    if (deleters().empty())
        qAddPostRoutine([] {
            std::vector<std::function<void()>> &list = deleters();
            while (!list.empty()) {
                const std::function<void()> last = std::move(list.back());
                list.pop_back();
                last();
            }
        });
    deleters().push_back(std::move(deleter));
}

} // namespace BenchData
