#include "DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

DialogButtons::DialogButtons(QWidget *dialog, const QString &okText)
{
    ok = new QPushButton(okText, dialog);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    cancel->setObjectName(QStringLiteral("Button2"));
    row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
}
