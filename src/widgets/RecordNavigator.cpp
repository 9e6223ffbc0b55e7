#include "RecordNavigator.h"

#include "GlyphIcon.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct Look {
    const char *name;
    const char *glyph;
    const char *hint;
};

Look lookOf(RecordNavigator::Button button)
{
    switch (button) {
    case RecordNavigator::First:
        return {"nbFirst", "⇤", "Первая запись"};
    case RecordNavigator::Prior:
        return {"nbPrior", "◀", "Предыдущая запись"};
    case RecordNavigator::Last:
        return {"nbLast", "⇥", "Последняя запись"};
    case RecordNavigator::Insert:
        return {"nbInsert", "+", "Вставить"};
    case RecordNavigator::Delete:
        return {"nbDelete", "−", "Удалить"};
    case RecordNavigator::Edit:
        return {"nbEdit", "✎", "Изменить"};
    case RecordNavigator::Post:
        return {"nbPost", "✔", "Принять"};
    case RecordNavigator::Cancel:
        return {"nbCancel", "✘", "Отмена"};
    case RecordNavigator::Refresh:
        return {"nbRefresh", "↻", "Refresh data"};
    }
    return {"", "", ""};
}

} // namespace

RecordNavigator::RecordNavigator(const QList<Button> &buttons, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const Button button : buttons) {
        const Look look = lookOf(button);
        auto *tool = new QToolButton(this);
        tool->setObjectName(QLatin1String(look.name));
        tool->setIcon(glyphIcon(QString::fromUtf8(look.glyph), QColor(0x20, 0x40, 0x80)));
        tool->setToolTip(QString::fromUtf8(look.hint));
        // A picture button is known to a screen reader by its hint.
        tool->setAccessibleName(QString::fromUtf8(look.hint));
        tool->setFocusPolicy(Qt::NoFocus);
        tool->setFixedSize(25, 25);
        layout->addWidget(tool);
        connect(tool, &QToolButton::clicked, this, [this, button] { emit pressed(button); });
    }
}
