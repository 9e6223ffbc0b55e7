#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

// A good of the catalogue: the nine columns of its row.
struct CatalogueGood {
    QString name;
    QString caption;
    QString unit;
    QVariant cost; // null when the catalogue has no price
    QString mass;
    QString type;
    QString code;
    QString maker;
    QString group;
};

// Which goods a list of the catalogue shows; what is left unset lets every
// good pass. Texts are matched without regard to letter case.
struct GoodsCriteria {
    // Each word a part of the description; an empty word asks only for a
    // description.
    QStringList words;
    // Exactly this group; an empty text asks for the goods without a group.
    std::optional<QString> group;
    // A part of the type and a part of the maker; empty: any.
    QString type;
    QString maker;
};

// What a write of goods did: the goods written (a name given twice is one
// good) and, of them, those the catalogue did not hold.
struct GoodsWritten {
    int goods = 0;
    int added = 0;
};

// Which columns a write gives; the block name is always the key.
enum class GoodField {
    Caption = 1,
    Unit = 2,
    Cost = 4,
    Mass = 8,
    Type = 16,
    Code = 32,
    Maker = 64,
    Group = 128
};
Q_DECLARE_FLAGS(GoodFields, GoodField)
Q_DECLARE_OPERATORS_FOR_FLAGS(GoodFields)

// A good's key and row version, as a look-up by name found it; the
// version is 0 where the catalogue keeps none.
struct GoodVersion {
    qint64 key = 0;
    qint64 version = 0;
    bool operator==(const GoodVersion &) const = default;
};

// How a write of goods treats the catalogue: which columns it gives the
// goods it matches (and new goods, whose other columns stay empty), and
// whether a name the catalogue lacks becomes a new good or is passed over.
struct GoodsWriteOptions {
    GoodFields fields{GoodField::Caption, GoodField::Unit, GoodField::Cost,  GoodField::Mass,
                      GoodField::Type,    GoodField::Code, GoodField::Maker, GoodField::Group};
    bool addNew = true;
    // When given, one entry a good written: the goods of its name as
    // versionsOf() found them when the write was planned (none for a name
    // the catalogue lacked). Where the catalogue keeps versions, the write
    // is then refused whole with StaleWrite, naming them, when the goods of
    // any of these names are no longer those: changed, removed or added by
    // someone else since.
    std::optional<QList<QList<GoodVersion>>> seen;
};

// The group order list and the version of the group order it was read at;
// the version is 0 where the catalogue keeps none.
struct GroupOrderRead {
    QStringList groups;
    qint64 version = 0;
};

// A good as the catalogue keeps it: its key, which names it for a change or
// a removal and orders the goods as they were stored, and its columns.
struct StoredGood {
    qint64 key = 0;
    CatalogueGood good;
    // The row's version when it was read, where the catalogue keeps one (a
    // server's, which many designers write at once); 0 elsewhere. A change
    // made from it is refused once someone else has changed the good.
    qint64 version = 0;
};

// Goods whose block names differ in letter case only, which a look-up by
// name cannot tell apart: in the order they were stored.
using NamesakeGoods = QList<StoredGood>;

// Goods handed over one at a time: the feed calls put for every good, in
// order.
using GoodsFeed = std::function<void(const std::function<void(const CatalogueGood &good)> &put)>;

// Keeps the catalogue connected while it lives, so that a window reading
// page after page does not connect for each.
class CatalogueHold {
public:
    virtual ~CatalogueHold() = default;
};

// Goods looked up by name many times in a row, as a pass over a whole
// specification asks for them a batch at a time: the catalogue stays
// connected and the look-up prepared until the object goes.
class GoodsLookup {
public:
    virtual ~GoodsLookup() = default;
    // As Catalogue::find().
    virtual QList<std::optional<CatalogueGood>> find(const QStringList &names) = 0;
};

// What the program asks of the catalogue of goods and its group order, so
// that commands and windows do not depend on where the catalogue is kept.
// Every call reaches the catalogue as it is now and lets go of it after; a
// failure throws AppError with the message for the user. Names and groups
// compare without regard to letter case, Cyrillic as Latin.
class Catalogue {
public:
    virtual ~Catalogue() = default;

    // The goods named by names, in their order: for each name the first good
    // stored under it, or nothing (an empty name names no good). All names
    // are looked up at once.
    virtual QList<std::optional<CatalogueGood>> find(const QStringList &names) = 0;
    // A look-up for many finds in a row; it holds the catalogue while it lives.
    virtual std::unique_ptr<GoodsLookup> lookup() = 0;
    // Holds the catalogue connected until the object goes.
    virtual std::unique_ptr<CatalogueHold> hold() = 0;

    // For each of names, in their order, the key and version of every good
    // of that name, in the order they were stored; an empty list where the
    // catalogue lacks the name. All names are looked up at once.
    virtual QList<QList<GoodVersion>> versionsOf(const QStringList &names) = 0;

    // The goods that criteria admit, in the order they were stored (by
    // key): at most limit of them, those whose key is above after. A page
    // shorter than limit is the last one.
    virtual QList<StoredGood> findGoods(const GoodsCriteria &criteria, qint64 after, int limit) = 0;
    // How many goods criteria admit.
    virtual int countGoods(const GoodsCriteria &criteria) = 0;
    // Goods that share a block name but for letter case, each set in the
    // order of its first good.
    virtual QList<NamesakeGoods> namesakes() = 0;

    // One good of the catalogue editor's grid, written at once: added (its
    // key returned), changed in every column (its new version returned), or
    // removed. A change or removal of a good that someone else changed or
    // removed after read was read is refused with AppError naming the good,
    // and nothing is written.
    virtual qint64 addGood(const CatalogueGood &good) = 0;
    virtual qint64 updateGood(const StoredGood &read, const CatalogueGood &good) = 0;
    virtual void removeGood(const StoredGood &read) = 0;

    // Writes goods into the catalogue in their order, all or nothing: a good
    // whose name the catalogue holds gives its description, unit, price,
    // mass, type, code, maker and group to every good of that name, whose
    // other columns stay; any other good is added. A null or empty price is
    // stored as none. progress(done, total) follows every good as it is
    // taken in; they are all written after the last.
    virtual GoodsWritten writeGoods(const QList<CatalogueGood> &goods,
                                    const std::function<void(int done, int total)> &progress) = 0;

    // The groups that goods carry, non-empty, in alphabetical order; of
    // groups that differ in letter case only, the one stored first.
    virtual QStringList goodsGroups() = 0;

    // The non-empty names of the group table in their order: the group
    // order list the program numbers positions by, with its version.
    virtual GroupOrderRead readGroupOrder() = 0;
    QStringList groupOrder() { return readGroupOrder().groups; }
    // The same names in alphabetical order.
    virtual QStringList groupsAlphabetical() = 0;

    // The changes of the group order below are made from the order as it
    // was read at readVersion (0: whatever it is now). Where the catalogue
    // keeps versions, a change is refused with StaleWrite, and nothing of it
    // is written, once someone else has changed the order since; each
    // returns the order's version after it.

    // Renames a group in the group table and in every good that carries it,
    // all or nothing. A group that was never written renames nothing.
    virtual qint64 renameGroup(const QString &from, const QString &to, qint64 readVersion) = 0;
    // Deletes a group that no good carries; returns nothing and changes
    // nothing when one does.
    virtual std::optional<qint64> removeGroup(const QString &group, qint64 readVersion) = 0;
    // Gives each group its place in groups (from 0), adding the groups the
    // table lacks, all or nothing; progress(done, total) follows every
    // group. Groups not in the list keep their rows.
    virtual qint64 writeGroupOrder(const QStringList &groups, qint64 readVersion,
                                   const std::function<void(int done, int total)> &progress) = 0;

    // Writes goods as writeGoods() above does, matched by name, all or
    // nothing, but only the columns of options.fields, and new goods only
    // when options.addNew; a name given twice keeps its first spelling and
    // its last description.
    // written.goods counts the goods matched or added.
    virtual GoodsWritten writeGoods(const QList<CatalogueGood> &goods,
                                    const GoodsWriteOptions &options,
                                    const std::function<void(int done, int total)> &progress) = 0;
    // Calls visit for every good of the catalogue, in the order they were
    // stored, within one read.
    virtual void forEachGood(const std::function<void(const CatalogueGood &good)> &visit) = 0;

    // Makes the catalogue hold the goods that feed puts, in their order, and
    // this group order, and nothing else, all or nothing: a whole catalogue
    // moved from one place to another, goods that share a name but for
    // letter case included. The goods are written as they come, so that
    // none of them need be held in memory; should feed throw, nothing is
    // kept.
    virtual void replaceAll(const GoodsFeed &feed, const QStringList &groups) = 0;
};
