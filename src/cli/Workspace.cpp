#include "Workspace.h"

#include "AppError.h"
#include "Catalogue.h"
#include "Settings.h"
#include "SpecificationCommands.h"
#include "WorkingDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

// The names the program has always given its databases.
const QString kCatalogueFileName = QStringLiteral("dorvik-Vent.mdb");
const QString kTemplateFileName = QStringLiteral("dorvik.dat");

const QString kFolderPrefix = QStringLiteral("kvintor-cli-");

// A folder without a working database may be one that a run has only just
// made; left this long, it is a killed run's.
constexpr qint64 kYoungFolderSeconds = 60;

// Takes away the temporary folders of runs that were killed: those whose
// working database's lock says its process is gone, and those left empty
// long enough. The folders of runs still working stay.
void removeLeftovers()
{
    const QDir temp(QDir::tempPath());
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo &entry :
         temp.entryInfoList({kFolderPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = entry.absoluteFilePath();
        const bool gone = WorkingDatabase::removeAbandoned({folder}) > 0;
        QDir dir(folder);
        const QStringList left =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const bool empty = std::none_of(left.cbegin(), left.cend(), [](const QString &name) {
            return name.endsWith(QStringLiteral(".mdb")) || name.startsWith(QStringLiteral(".~"));
        });
        if (gone || (empty && entry.lastModified().secsTo(now) > kYoungFolderSeconds))
            dir.removeRecursively();
    }
}

} // namespace

Workspace::Workspace(const QString &programFolder, const QString &catalogueFile, bool mapCatalogue)
    : m_folder((removeLeftovers(), QDir(QDir::tempPath()).filePath(kFolderPrefix + "XXXXXX")))
{
    // A map keeps every page read in the process: a check of a large
    // specification would hold the whole catalogue.
    m_session.catalogue().setMemoryMapped(mapCatalogue);
    const Settings settings;
    if (!catalogueFile.isEmpty())
        m_session.setCatalogueAddress(catalogueFile);
    else if (!settings.catalogue().isEmpty())
        m_session.setCatalogueAddress(settings.catalogue());
    else
        m_session.setCatalogueFile(Settings::catalogueFolder(settings.path(), programFolder) +
                                   kCatalogueFileName);
    m_session.setGroupOrder(m_session.goods().groupOrder());
    if (!m_folder.isValid())
        throw AppError(QStringLiteral("Не удалось создать временную папку для рабочей базы "
                                      "данных: ") +
                           m_folder.errorString(),
                       QDir::tempPath());
    m_session.setWorkingDatabasePath(
        WorkingDatabase::create({m_folder.path()}, QDateTime::currentDateTime(),
                                QDir(programFolder).filePath(kTemplateFileName)));
}

Workspace::~Workspace()
{
    m_session.closeConnections();
    WorkingDatabase::remove(m_session.workingDatabasePath());
}

int Workspace::open(const QString &path)
{
    SpecificationCommands::readInto(m_session, path);
    return m_session.document().positions().count();
}
