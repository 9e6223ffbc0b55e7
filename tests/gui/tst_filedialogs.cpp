#include "Application.h"
#include "SpecificationFileDialog.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QtTest>

// The dialogs that choose specification files, as the user sees them.
class FileDialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // What the dialog's list shows once it holds count entries (the folder
    // is read in the background).
    static QStringList listed(QFileDialog &dialog, int count)
    {
        auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
        QAbstractItemModel *model = view->model();
        QStringList names;
        // A short list fails the comparison that follows, naming what was listed.
        (void)QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) >= count; }, 5000);
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
            names << model->index(row, 0, view->rootIndex()).data().toString();
        names.sort(Qt::CaseInsensitive);
        return names;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        QVERIFY(Application::installRussianTranslation());
        for (const char *name : {"Отопление.СО", "вентиляция.со", "заметки.txt", "latin.CO"}) {
            QFile file(m_dir.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QDir(m_dir.path()).mkdir(QStringLiteral("Проект"));
    }

    // Every specification file in any letter case, folders, and nothing
    // else; the label and Qt's own texts in Russian.
    void openDialogListsSpecificationFiles()
    {
        SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Open, m_dir.path());
        dialog.show();
        QCOMPARE(listed(dialog, 3),
                 (QStringList{QStringLiteral("вентиляция.со"), QStringLiteral("Отопление.СО"),
                              QStringLiteral("Проект")}));
        auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QCOMPARE(types->currentText(), QStringLiteral("Файлы  спецификации"));
        auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&'),
                 QStringLiteral("Отмена"));
    }

    void nameTypedWithoutExtensionGetsIt()
    {
        SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::Save, m_dir.path());
        dialog.show();
        dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("новая"));
        QMetaObject::invokeMethod(&dialog, "accept");
        QCOMPARE(dialog.selectedFiles().value(0),
                 QDir(m_dir.path()).filePath(QStringLiteral("новая.СО")));
    }

    // Choosing several files in the list, as "Добавить спецификацию" does.
    void severalFilesChosenInTheList()
    {
        SpecificationFileDialog dialog(SpecificationFileDialog::Purpose::OpenMany, m_dir.path());
        dialog.show();
        QCOMPARE(listed(dialog, 3).size(), 3);
        auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
        const QModelIndex root = view->rootIndex();
        Qt::KeyboardModifiers modifiers;
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            const QModelIndex index = view->model()->index(row, 0, root);
            if (!index.data().toString().contains(u'.'))
                continue;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                              view->visualRect(index).center());
            modifiers = Qt::ControlModifier;
        }
        QMetaObject::invokeMethod(&dialog, "accept");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QStringList chosen = dialog.selectedFiles();
        chosen.sort(Qt::CaseInsensitive);
        QCOMPARE(chosen, (QStringList{m_dir.filePath(QStringLiteral("вентиляция.со")),
                                      m_dir.filePath(QStringLiteral("Отопление.СО"))}));
    }
};

QTEST_MAIN(FileDialogsTest)
#include "tst_filedialogs.moc"
