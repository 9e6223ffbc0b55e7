#pragma once

#include <QByteArray>

// What one edit did to table `data`: the rows it touched, each as it was and
// as it became, and nothing of the rows it left alone. The engine keeps it
// compact (an SQLite changeset); PositionsTable records it and applies it
// again, or its inverse to undo it.
class PositionsChange {
public:
    PositionsChange() = default;
    explicit PositionsChange(QByteArray changeset) : m_changeset(std::move(changeset)) {}

    bool isEmpty() const { return m_changeset.isEmpty(); }
    const QByteArray &bytes() const { return m_changeset; }

    // The change that takes every touched row back to what it was.
    PositionsChange inverted() const;
    // This change, then next, as one: a row touched by both goes from its
    // first state to its last.
    PositionsChange followedBy(const PositionsChange &next) const;

private:
    QByteArray m_changeset;
};
