#pragma once

#include "PositionsChange.h"

#include <QUndoCommand>
#include <functional>

class SpecificationDocument;

// An edit of the positions, made before it comes on the document's stack:
// it holds what the edit changed, undo() takes the rows it touched back to
// what they were, and redo() makes the change again.
class PositionsEdit : public QUndoCommand {
public:
    PositionsEdit(SpecificationDocument &document, const QString &text, PositionsChange change);

    void undo() override;
    void redo() override;

    const PositionsChange &change() const { return m_change; }

    // Makes the edit that work does to the positions, all of it or nothing,
    // and puts it on the document's stack as an Edit made with args. An
    // edit that changed nothing leaves no step. Returns the step, or null.
    template <typename Edit, typename... Args>
    static Edit *make(SpecificationDocument &document, const std::function<void()> &work,
                      Args &&...args);

protected:
    SpecificationDocument &m_document;
    PositionsChange m_change;

private:
    static PositionsChange recorded(SpecificationDocument &document,
                                    const std::function<void()> &work);
    static void push(SpecificationDocument &document, QUndoCommand *edit);

    bool m_made = true; // the first redo() finds the change already made
};

template <typename Edit, typename... Args>
Edit *PositionsEdit::make(SpecificationDocument &document, const std::function<void()> &work,
                          Args &&...args)
{
    PositionsChange change = recorded(document, work);
    if (change.isEmpty())
        return nullptr;
    auto *edit = new Edit(document, std::move(change), std::forward<Args>(args)...);
    push(document, edit);
    return edit;
}

// The kinds of edit, each named on the stack as the user knows the command.

// "Сортировка": group numbers and position numbers.
class SortEdit final : public PositionsEdit {
public:
    SortEdit(SpecificationDocument &document, PositionsChange change);
};

// "Удалить нулевые": the positions of quantity 0 and of no group gone.
class RemoveEmptyEdit final : public PositionsEdit {
public:
    RemoveEmptyEdit(SpecificationDocument &document, PositionsChange change);
};

// "Добавить спецификацию": other files' positions added or taken away.
class CombineEdit final : public PositionsEdit {
public:
    CombineEdit(SpecificationDocument &document, PositionsChange change);
};

// A good of the catalogue put into a position.
class PutGoodEdit final : public PositionsEdit {
public:
    PutGoodEdit(SpecificationDocument &document, PositionsChange change, const QString &good);
};

// A good that another position holds merged into it.
class MergeDuplicateEdit final : public PositionsEdit {
public:
    MergeDuplicateEdit(SpecificationDocument &document, PositionsChange change,
                       const QString &good);
};

// A position added by typing into a new row.
class AddRowEdit final : public PositionsEdit {
public:
    AddRowEdit(SpecificationDocument &document, PositionsChange change);
};

// A position deleted.
class DeleteRowEdit final : public PositionsEdit {
public:
    DeleteRowEdit(SpecificationDocument &document, PositionsChange change, const QString &name);
};

// A text replaced by another in the positions ("Заменить", "Заменить все").
class ReplaceAllEdit final : public PositionsEdit {
public:
    ReplaceAllEdit(SpecificationDocument &document, PositionsChange change, const QString &what,
                   const QString &with);
};

// "Обновить базу" gives the positions without a block name their
// description for one before it writes the catalogue.
class NameFromCaptionEdit final : public PositionsEdit {
public:
    NameFromCaptionEdit(SpecificationDocument &document, PositionsChange change);
};
