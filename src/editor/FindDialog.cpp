#include "FindDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FindDialog::FindDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Поиск и замена"));
    setModal(false);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("findText"));
    m_find->setAccessibleName(QStringLiteral("Найти"));
    m_replace = new QLineEdit(this);
    m_replace->setObjectName(QStringLiteral("replaceText"));
    m_replace->setAccessibleName(QStringLiteral("Заменить на"));
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("findOutcome"));
    m_outcome->setAccessibleName(QStringLiteral("Итог поиска"));

    auto *findLabel = new QLabel(QStringLiteral("&Найти:"), this);
    findLabel->setBuddy(m_find);
    auto *replaceLabel = new QLabel(QStringLiteral("За&менить на:"), this);
    replaceLabel->setBuddy(m_replace);

    const auto button = [this](const char *name, const QString &text, const QString &keys = {}) {
        auto *made = new QPushButton(text, this);
        made->setObjectName(QLatin1String(name));
        made->setAccessibleName(QString(text).remove(u'&'));
        made->setAutoDefault(false);
        if (!keys.isEmpty())
            made->setToolTip(QStringLiteral("%1 (%2)").arg(QString(text).remove(u'&'), keys));
        return made;
    };
    QPushButton *next = button("findNext", QStringLiteral("Найти &далее"), QStringLiteral("F3"));
    next->setDefault(true);
    QPushButton *previous =
        button("findPrevious", QStringLiteral("Найти н&азад"), QStringLiteral("Shift+F3"));
    QPushButton *one = button("replaceOne", QStringLiteral("&Заменить"));
    QPushButton *all = button("replaceAll", QStringLiteral("Заменить &все"));
    QPushButton *close = button("closeFind", QStringLiteral("Закрыть"));
    // Each button asks the editor afresh: what the last one told is gone.
    const std::pair<QPushButton *, void (FindDialog::*)()> asks[] = {
        {next, &FindDialog::findNext},
        {previous, &FindDialog::findPrevious},
        {one, &FindDialog::replaceOne},
        {all, &FindDialog::replaceAll}};
    for (const auto &[pressed, ask] : asks)
        connect(pressed, &QPushButton::clicked, this, [this, ask = ask] {
            tell({});
            emit(this->*ask)();
        });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);

    auto *grid = new QGridLayout(this);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(next, 0, 2);
    grid->addWidget(previous, 1, 2);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(one, 2, 2);
    grid->addWidget(all, 3, 2);
    grid->addWidget(m_outcome, 2, 0, 2, 2);
    grid->addWidget(close, 4, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(460);
}

QString FindDialog::findText() const
{
    return m_find->text();
}

QString FindDialog::replaceText() const
{
    return m_replace->text();
}

void FindDialog::showFor(bool replacing)
{
    tell({});
    show();
    raise();
    activateWindow();
    QLineEdit *field = replacing && !m_find->text().isEmpty() ? m_replace : m_find;
    field->setFocus();
    field->selectAll();
}

void FindDialog::tell(const QString &outcome)
{
    m_outcome->setText(outcome);
}
