#include "SynchroniseEdit.h"

#include "SpecificationCommands.h"

SynchroniseEdit::SynchroniseEdit(SpecificationDocument &document, PositionsChange change,
                                 const QString &nameBefore, const QString &file)
    : PositionsEdit(document, QStringLiteral("Синхронизация"), std::move(change)),
      m_nameBefore(nameBefore), m_file(file)
{
}

void SynchroniseEdit::undo()
{
    PositionsEdit::undo();
    SpecificationCommands::takeName(m_document, m_nameBefore);
}

void SynchroniseEdit::redo()
{
    PositionsEdit::redo();
    // The first time the command itself moves to the file, with its notices.
    if (!std::exchange(m_first, false))
        SpecificationCommands::moveToFile(m_document, nullptr, m_file);
}
