#include "AboutDialog.h"

#include "BuildInfo.h"
#include "Workbook.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("О программе"));

    auto *name = new QLabel(QStringLiteral("Kvintor"), this);
    name->setObjectName(QStringLiteral("aboutName"));
    QFont nameFont = name->font();
    nameFont.setPixelSize(22);
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto *purpose = new QLabel(QStringLiteral("Спецификация оборудования и материалов\n"
                                              "проектов отопления и вентиляции"),
                               this);

    auto *facts = new QFormLayout;
    const auto fact = [&](const char *objectName, const QString &title, const QString &value) {
        auto *label = new QLabel(value, this);
        label->setObjectName(QLatin1String(objectName));
        label->setAccessibleName(title);
        // Versions are copied into letters about a fault.
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        facts->addRow(title + u':', label);
    };
    fact("aboutVersion", QStringLiteral("Версия"), BuildInfo::version());
    fact("aboutBuildDate", QStringLiteral("Дата сборки"),
         BuildInfo::buildDate().toString(QStringLiteral("dd.MM.yyyy")));
    const QString qtRuntime = QString::fromLatin1(qVersion());
    const QString qtBuilt = QStringLiteral(QT_VERSION_STR);
    fact("aboutQt", QStringLiteral("Qt"),
         qtRuntime == qtBuilt ? qtRuntime
                              : QStringLiteral("%1 (собрана с %2)").arg(qtRuntime, qtBuilt));
    fact("aboutSqlite", QStringLiteral("SQLite"), BuildInfo::sqliteVersion());
    fact("aboutXlsxwriter", QStringLiteral("libxlsxwriter"), Workbook::libraryVersion());

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(name);
    layout->addWidget(purpose);
    layout->addLayout(facts);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
