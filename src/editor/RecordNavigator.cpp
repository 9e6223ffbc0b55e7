#include "RecordNavigator.h"

#include "GlyphIcon.h"

#include <QHBoxLayout>
#include <QToolButton>

RecordNavigator::RecordNavigator(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(addButton("nbFirst", QStringLiteral("⇤"), QStringLiteral("Первая запись")),
            &QToolButton::clicked, this, &RecordNavigator::firstRequested);
    connect(addButton("nbLast", QStringLiteral("⇥"), QStringLiteral("Последняя запись")),
            &QToolButton::clicked, this, &RecordNavigator::lastRequested);
    connect(addButton("nbInsert", QStringLiteral("+"), QStringLiteral("Вставить")),
            &QToolButton::clicked, this, &RecordNavigator::insertRequested);
    connect(addButton("nbDelete", QStringLiteral("−"), QStringLiteral("Удалить")),
            &QToolButton::clicked, this, &RecordNavigator::deleteRequested);
    connect(addButton("nbPost", QStringLiteral("✔"), QStringLiteral("Принять")),
            &QToolButton::clicked, this, &RecordNavigator::postRequested);
    connect(addButton("nbCancel", QStringLiteral("✘"), QStringLiteral("Отмена")),
            &QToolButton::clicked, this, &RecordNavigator::cancelRequested);
    connect(addButton("nbRefresh", QStringLiteral("↻"), QStringLiteral("Refresh data")),
            &QToolButton::clicked, this, &RecordNavigator::refreshRequested);
}

QToolButton *RecordNavigator::addButton(const char *name, const QString &glyph, const QString &hint)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setIcon(glyphIcon(glyph, QColor(0x20, 0x40, 0x80)));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(false);
    button->setFixedSize(25, 25);
    layout()->addWidget(button);
    return button;
}
