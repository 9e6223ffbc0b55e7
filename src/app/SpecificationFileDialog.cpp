#include "SpecificationFileDialog.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {

const QString kSuffix = QStringLiteral("СО");

// Folders and specification files pass; every other file is hidden.
class SpecificationFilesOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        if (!files || files->isDir(index))
            return true;
        return SpecificationFileDialog::isSpecificationFile(files->fileName(index));
    }
};

} // namespace

SpecificationFileDialog::SpecificationFileDialog(Purpose purpose, const QString &folder,
                                                 QWidget *parent)
    : QFileDialog(parent, purpose == Purpose::Save ? QStringLiteral("Сохранить спецификацию")
                          : purpose == Purpose::OpenMany ? QStringLiteral("Добавить спецификацию")
                                                         : QStringLiteral("Открыть  спецификацию"))
{
    // The filter model works on Qt's own dialog only.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setNameFilter(QStringLiteral("Файлы  спецификации (*)"));
    // Qt squeezes the label's two blanks into one; the label is the
    // program's own text and keeps them.
    if (auto *types = findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
        types->setItemText(0, QStringLiteral("Файлы  спецификации"));
    setProxyModel(new SpecificationFilesOnly(this));
    setDefaultSuffix(kSuffix);
    if (purpose != Purpose::Save) {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(purpose == Purpose::Open ? QFileDialog::ExistingFile
                                             : QFileDialog::ExistingFiles);
    } else {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        // The command asks its own overwrite question and refuses read-only files.
        setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!folder.isEmpty())
        setDirectory(folder);
}

bool SpecificationFileDialog::isSpecificationFile(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= 0 && fileName.mid(dot + 1).compare(kSuffix, Qt::CaseInsensitive) == 0;
}
