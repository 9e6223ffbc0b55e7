#pragma once

#include <QFileDialog>

// The file dialog of every command that chooses specification files. It
// lists folders and the files whose extension is "СО" in any letter case
// (".СО", ".со") under the label "Файлы  спецификации", and a name typed
// without extension gets ".СО". Qt's own name filters take Latin patterns
// only, so the files are chosen by a filter model instead.
class SpecificationFileDialog : public QFileDialog {
    Q_OBJECT

public:
    enum class Purpose { Open, OpenMany, Save };

    SpecificationFileDialog(Purpose purpose, const QString &folder, QWidget *parent = nullptr);

    // Whether a file of this name is a specification file.
    static bool isSpecificationFile(const QString &fileName);
};
