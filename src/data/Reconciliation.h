#pragma once

#include <QList>
#include <QStringList>
#include <memory>

struct CatalogueGood;
struct Position;
class GoodsLookup;
class Session;

// Completes the positions of a specification from the catalogue: every
// position whose block name is a good of the catalogue (letter case ignored,
// Cyrillic included) takes that good's description, unit, price, mass, type,
// code, maker and group. Quantities, remarks and numbers stay as they are; a
// name the catalogue does not know leaves its position alone. Then the
// editor's and the picker's lists are rebuilt from the specification and the
// catalogue.
namespace Reconciliation {

class FilterLists;

// One pass over positions, a batch at a time: each batch is completed from
// the catalogue, and the groups and makers the positions end with are
// noted, so that the lists come from the pass itself and not from reading
// every position again. The catalogue is held for the whole pass; of its
// goods, nothing is kept but what the positions take.
class Pass {
public:
    // Reads the catalogue's groups first: a catalogue that cannot be read
    // stops the pass before any position is touched. With mayGoWithout, a
    // catalogue on a server that cannot be reached completes nothing
    // instead, and unavailable() says why, so that the office's server being
    // down does not keep a designer from the specifications.
    explicit Pass(Session &session, bool mayGoWithout = false);
    ~Pass();
    Pass(const Pass &) = delete;
    Pass &operator=(const Pass &) = delete;

    // Completes the positions of batch that the catalogue knows and notes
    // every one of them for the lists; returns which took a good.
    QList<bool> complete(QList<Position> &batch);
    // Sets the editor's and the picker's lists from the positions noted and
    // the catalogue, and shows every position.
    void finish();
    // What the user is told when the catalogue could not be reached and no
    // position was completed; empty when it was.
    const QString &unavailable() const { return m_unavailable; }

private:
    Session &m_session;
    std::unique_ptr<GoodsLookup> m_lookup;
    QStringList m_catalogueGroups;
    std::unique_ptr<FilterLists> m_lists;
    qint64 m_noted = 0;
    QString m_unavailable;
};

// Completes every position of the session's specification, all or nothing,
// and rebuilds the lists. Progress goes to the session, one step per
// position.
void reconcile(Session &session);

// Rebuilds the editor's group and maker filter lists from the positions as
// they are now (after an undo, say), without asking the catalogue.
void refreshFilterLists(Session &session);

// What a position takes from its good: description, unit, price, mass, type,
// code, maker and group. Its name, quantity, numbers and remark stay.
void takeGood(Position &position, const CatalogueGood &good);

} // namespace Reconciliation
