#include "Hyphenation.h"

#include "AppError.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <cstdlib>
#include <hyphen.h>
#include <memory>

namespace Hyphenation {
namespace {

// Two letters stay on each side of a break, as Russian typesetting wants.
constexpr int kLeastLetters = 2;

// The patterns that travel with the program, where no package brings them,
// else those the build found.
QString dictionaryPath()
{
    const QString bundled = QDir(ProgramFolder::bundled(QCoreApplication::applicationDirPath()))
                                .filePath(QStringLiteral("hyph_ru_RU.dic"));
    return QFile::exists(bundled) ? bundled : QStringLiteral(KV_HYPHEN_DICTIONARY);
}

// The patterns, loaded once; the file's first line names the code page in
// which they take their words.
class Dictionary {
public:
    Dictionary()
    {
        const QString path = dictionaryPath();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray charset = file.readLine().trimmed();
            m_encoder = std::make_unique<QStringEncoder>(charset.constData());
            m_dictionary = hnj_hyphen_load(QFile::encodeName(path).constData());
        }
        if (!m_dictionary || !m_encoder->isValid())
            m_problem = QStringLiteral("Не удалось прочитать словарь переносов русского языка "
                                       "(пакет hyphen-ru): без него слова на листе не "
                                       "переносятся по правилам.");
        m_path = path;
    }
    ~Dictionary()
    {
        if (m_dictionary)
            hnj_hyphen_free(m_dictionary);
    }
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;

    // Appends to points the places where letters (Cyrillic, at least
    // 2 * kLeastLetters of them) may break, offset by start.
    void hyphenate(QStringView letters, qsizetype start, QList<qsizetype> &points)
    {
        if (!m_problem.isEmpty())
            throw AppError(m_problem, m_path);
        const QByteArray word = m_encoder->encode(letters.toString().toLower());
        if (m_encoder->hasError() || word.size() != letters.size()) {
            m_encoder->resetState();
            return;
        }
        QByteArray hyphens(word.size() + 5, '\0');
        char **replacements = nullptr;
        int *positions = nullptr;
        int *cuts = nullptr;
        hnj_hyphen_hyphenate3(m_dictionary, word.constData(), int(word.size()), hyphens.data(),
                              nullptr, &replacements, &positions, &cuts, kLeastLetters,
                              kLeastLetters, kLeastLetters, kLeastLetters);
        // Russian has no breaks that change letters; libhyphen allocates
        // these only for patterns that do.
        if (replacements) {
            for (qsizetype i = 0; i < word.size(); ++i)
                std::free(replacements[i]);
            std::free(replacements);
        }
        std::free(positions);
        std::free(cuts);
        for (qsizetype i = kLeastLetters - 1; i < word.size() - kLeastLetters; ++i) {
            if (hyphens[i] & 1)
                points.append(start + i + 1);
        }
    }

private:
    HyphenDict *m_dictionary = nullptr;
    std::unique_ptr<QStringEncoder> m_encoder;
    QString m_problem;
    QString m_path;
};

bool isCyrillicLetter(QChar c)
{
    return c.isLetter() && c.script() == QChar::Script_Cyrillic;
}

} // namespace

QList<qsizetype> points(QStringView word)
{
    static Dictionary dictionary;
    QList<qsizetype> found;
    qsizetype i = 0;
    while (i < word.size()) {
        if (!isCyrillicLetter(word[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < word.size() && isCyrillicLetter(word[i]))
            ++i;
        if (i - start >= 2 * kLeastLetters)
            dictionary.hyphenate(word.mid(start, i - start), start, found);
    }
    return found;
}

} // namespace Hyphenation
