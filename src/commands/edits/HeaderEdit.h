#pragma once

#include "HeaderFields.h"

#include <QUndoCommand>

class SpecificationDocument;

// A field of the header as the user types it. Typing on in the same field
// makes one step.
class HeaderEdit final : public QUndoCommand {
public:
    HeaderEdit(SpecificationDocument &document, HeaderFields::Field field, const QString &text);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

    // Puts the edit on the document's stack unless the field already holds
    // text.
    static void make(SpecificationDocument &document, HeaderFields::Field field,
                     const QString &text);

private:
    SpecificationDocument &m_document;
    HeaderFields::Field m_field;
    QString m_before;
    QString m_after;
};
