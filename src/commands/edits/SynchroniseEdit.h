#pragma once

#include "PositionsEdit.h"

// "Синхронизация": the position numbers taken from a file, which then
// becomes the specification's file. Undone, the numbers and the file (with
// its lock) are those from before.
class SynchroniseEdit final : public PositionsEdit {
public:
    SynchroniseEdit(SpecificationDocument &document, PositionsChange change,
                    const QString &nameBefore, const QString &file);

    void undo() override;
    void redo() override;

private:
    QString m_nameBefore;
    QString m_file;
    bool m_first = true;
};
