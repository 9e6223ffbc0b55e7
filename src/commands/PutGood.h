#pragma once

#include "Catalogue.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class Prompts;
class Session;

// A good of the catalogue as the picker hands it over.
using Good = CatalogueGood;

// What the duplicate position dialog shows: the position that already holds
// the good and the quantity the current position would add to it.
struct DuplicatePosition {
    QString name;
    QString caption;
    QString type;
    QString code;
    QString maker;
    QString unit;
    QString existingQuantity;
    QString increment;
};

namespace PutGood {

enum class Outcome { Unchanged, Declined, Filled, Merged, MergeCancelled };

// Asks the user to merge; returns the total to store, or nothing on cancel.
using MergeDialog = std::function<std::optional<double>(const DuplicatePosition &)>;

// Puts the good into the position with key currentKey; with currentKey 0 (a
// row being added, or a specification without positions) the good becomes a
// new position. The same good in that position changes nothing; a good that
// another position already holds is merged through the dialog (every
// position of that name gets the total, the current one is removed);
// otherwise the current position takes the good's data, after the replace
// question unless it is empty. Each is one step of the undo stack. Block
// names compare without regard to letter case throughout.
Outcome put(Session &session, Prompts &prompts, qint64 currentKey, const Good &good,
            const MergeDialog &mergeDialog);

// The merge sum of two quantity texts, each with a comma or a point; an
// empty text counts as 0. Nothing when either is not a number, or when the
// sum is beyond what a file can hold.
std::optional<double> mergeTotal(const QString &existing, const QString &increment);

} // namespace PutGood
