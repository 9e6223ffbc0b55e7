#pragma once

#include "Combine.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <optional>

class Prompts;
class QTableWidget;

// "Добавление/вычитание спецификаций.": the chosen files, one a row, each
// with the coefficient its name proposes, which the user may change. Modal,
// so that nothing else starts while it is open.
class CombineDialog : public QDialog {
    Q_OBJECT

public:
    explicit CombineDialog(Prompts &prompts, QWidget *parent = nullptr);

    // Shows files (full paths) and waits. The files to combine with their
    // coefficients, each row's name taken in the first file's folder; nothing
    // when the user cancels.
    std::optional<QList<Combine::Source>> ask(const QStringList &files);

private:
    // The rows as sources, or the first row whose coefficient is no whole
    // number named to the user and nothing.
    std::optional<QList<Combine::Source>> readRows();

    Prompts &m_prompts;
    QTableWidget *m_grid = nullptr;
    QString m_folder;
    QList<Combine::Source> m_sources;
};
