#include "Workspace.h"

#include "AppError.h"
#include "Catalogue.h"
#include "Settings.h"
#include "SpecificationCommands.h"
#include "WorkingDatabase.h"

#include <QDateTime>
#include <QDir>

namespace {

// The names the program has always given its databases.
const QString kCatalogueFileName = QStringLiteral("dorvik-Vent.mdb");
const QString kTemplateFileName = QStringLiteral("dorvik.dat");

} // namespace

Workspace::Workspace(const QString &programFolder, const QString &catalogueFile)
    : m_folder(QDir(QDir::tempPath()).filePath(QStringLiteral("kvintor-cli-XXXXXX")))
{
    m_session.setCatalogueFile(catalogueFile.isEmpty()
                                   ? Settings::catalogueFolder(Settings().path(), programFolder) +
                                         kCatalogueFileName
                                   : catalogueFile);
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
    return m_session.positions().count();
}
