#include "HeaderEdit.h"

#include "AppError.h"
#include "SpecificationDocument.h"

HeaderEdit::HeaderEdit(SpecificationDocument &document, HeaderFields::Field field,
                       const QString &text)
    : QUndoCommand(QStringLiteral("Правка заголовка")), m_document(document), m_field(field),
      m_before(document.header()[field]), m_after(text)
{
}

void HeaderEdit::undo()
{
    try {
        m_document.setHeaderField(m_field, m_before);
    } catch (const AppError &error) {
        m_document.noteFailure(error);
    }
}

void HeaderEdit::redo()
{
    try {
        m_document.setHeaderField(m_field, m_after);
    } catch (const AppError &error) {
        m_document.noteFailure(error);
    }
}

int HeaderEdit::id() const
{
    return 2;
}

bool HeaderEdit::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const HeaderEdit *>(other);
    if (next->m_field != m_field)
        return false;
    m_after = next->m_after;
    // Typed back to what it was: no step at all.
    setObsolete(m_after == m_before);
    return true;
}

void HeaderEdit::make(SpecificationDocument &document, HeaderFields::Field field,
                      const QString &text)
{
    if (document.header()[field] != text)
        document.undoStack().push(new HeaderEdit(document, field, text));
}
