#include "Workspace.h"

#include "AppError.h"
#include "GroupOrder.h"
#include "Reconciliation.h"
#include "Settings.h"
#include "SpecificationFile.h"
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
    m_session.setGroupOrder(GroupOrder::load(m_session.catalogue()));
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
    const int count = SpecificationFile::read(m_session, path);
    Reconciliation::reconcile(m_session);
    return count;
}
