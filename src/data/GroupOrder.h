#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Database;

// The groups of the catalogue (table `dorvik_gruppa`) and their order. Each
// command connects to the catalogue before its first statement and
// disconnects after its last, also when it fails, so that the catalogue is
// never held open between commands. Names compare as the database compares
// them: letter case does not count.
namespace GroupOrder {

// The non-empty group names by their place (`Numb`): the group order list the
// program works with. Throws AppError when the catalogue cannot be read.
QStringList load(Database &catalogue);

// The non-empty group names in alphabetical order, for the lists in which the
// user picks a group.
QStringList alphabetical(Database &catalogue);

// Renames a group in the group table and in every good that carries it, all
// or nothing. A group that was never written renames nothing.
void rename(Database &catalogue, const QString &from, const QString &to);

// Deletes a group that no good of the catalogue carries; returns false and
// changes nothing when one does.
bool remove(Database &catalogue, const QString &group);

// Gives each group its place in groups (from 0), adding the groups the table
// does not have yet, all or nothing; progress(done, total) follows every
// group. Groups that are not in the list keep their rows.
void write(Database &catalogue, const QStringList &groups,
           const std::function<void(int done, int total)> &progress);

} // namespace GroupOrder
