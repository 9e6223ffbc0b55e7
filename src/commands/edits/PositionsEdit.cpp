#include "PositionsEdit.h"

#include "AppError.h"
#include "SpecificationDocument.h"

PositionsEdit::PositionsEdit(SpecificationDocument &document, const QString &text,
                             PositionsChange change)
    : QUndoCommand(text), m_document(document), m_change(std::move(change))
{
}

void PositionsEdit::undo()
{
    // The stack takes no error from a step; the document keeps it for the
    // window that stepped.
    try {
        m_document.positions().apply(m_change.inverted());
    } catch (const AppError &error) {
        m_document.noteFailure(error);
    }
}

void PositionsEdit::redo()
{
    if (std::exchange(m_made, false))
        return;
    try {
        m_document.positions().apply(m_change);
    } catch (const AppError &error) {
        m_document.noteFailure(error);
    }
}

PositionsChange PositionsEdit::recorded(SpecificationDocument &document,
                                        const std::function<void()> &work)
{
    return document.positions().record(work);
}

void PositionsEdit::push(SpecificationDocument &document, QUndoCommand *edit)
{
    document.undoStack().push(edit);
}

SortEdit::SortEdit(SpecificationDocument &document, PositionsChange change)
    : PositionsEdit(document, QStringLiteral("Сортировка"), std::move(change))
{
}

RemoveEmptyEdit::RemoveEmptyEdit(SpecificationDocument &document, PositionsChange change)
    : PositionsEdit(document, QStringLiteral("Удалить нулевые"), std::move(change))
{
}

CombineEdit::CombineEdit(SpecificationDocument &document, PositionsChange change)
    : PositionsEdit(document, QStringLiteral("Добавить спецификацию"), std::move(change))
{
}

PutGoodEdit::PutGoodEdit(SpecificationDocument &document, PositionsChange change,
                         const QString &good)
    : PositionsEdit(document, QStringLiteral("Товар «%1» в позицию").arg(good), std::move(change))
{
}

MergeDuplicateEdit::MergeDuplicateEdit(SpecificationDocument &document, PositionsChange change,
                                       const QString &good)
    : PositionsEdit(document, QStringLiteral("Слияние позиций «%1»").arg(good), std::move(change))
{
}

AddRowEdit::AddRowEdit(SpecificationDocument &document, PositionsChange change)
    : PositionsEdit(document, QStringLiteral("Новая позиция"), std::move(change))
{
}

DeleteRowEdit::DeleteRowEdit(SpecificationDocument &document, PositionsChange change,
                             const QString &name)
    : PositionsEdit(document,
                    name.isEmpty() ? QStringLiteral("Удаление позиции")
                                   : QStringLiteral("Удаление позиции «%1»").arg(name),
                    std::move(change))
{
}

NameFromCaptionEdit::NameFromCaptionEdit(SpecificationDocument &document, PositionsChange change)
    : PositionsEdit(document, QStringLiteral("Имена блоков по описаниям"), std::move(change))
{
}

ReplaceAllEdit::ReplaceAllEdit(SpecificationDocument &document, PositionsChange change,
                               const QString &what, const QString &with)
    : PositionsEdit(document, QStringLiteral("Замена «%1» на «%2»").arg(what, with),
                    std::move(change))
{
}
