#include "AppError.h"
#include "BridgeCadLink.h"
#include "NoCadLink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The CAD link through a fake bridge that records every call it gets.
class CadLinkTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_bridge;

    void setFile(const QString &name, const QByteArray &contents)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    QStringList calls()
    {
        QFile file(m_dir.filePath(QStringLiteral("calls.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        m_bridge = m_dir.filePath(QStringLiteral("fake bridge.sh"));
        setFile(QStringLiteral("fake bridge.sh"), R"sh(#!/bin/sh
dir=$(dirname "$0")
for a in "$@"; do printf '[%s]' "$a" >> "$dir/calls.log"; done
echo >> "$dir/calls.log"
status() { cat "$dir/$1.status" 2>/dev/null || echo 0; }
case "$1" in
  attach|start) [ "$(status $1)" = 0 ] || echo "$1: САПР не найдена" >&2; exit $(status $1) ;;
  fullname) cat "$dir/fullname.txt" 2>/dev/null; exit $(status fullname) ;;
  send) exit $(status send) ;;
esac
exit 3
)sh");
        QFile::setPermissions(m_bridge, QFile::permissions(m_bridge) | QFile::ExeOwner);
    }

    void init()
    {
        for (const char *name : {"calls.log", "attach.status", "start.status", "fullname.txt",
                                 "fullname.status", "send.status"})
            QFile::remove(m_dir.filePath(QLatin1String(name)));
    }

    void quietAttachReportsWithoutMessages()
    {
        BridgeCadLink link(m_bridge);
        QVERIFY(link.attachQuietly());
        QVERIFY(link.isAttached());
        setFile(QStringLiteral("attach.status"), "1");
        QVERIFY(!link.attachQuietly());
        QVERIFY(!link.isAttached());
        QCOMPARE(calls(), (QStringList{QStringLiteral("[attach]"), QStringLiteral("[attach]")}));

        BridgeCadLink missing(m_dir.filePath(QStringLiteral("no-such-bridge")));
        QVERIFY(!missing.attachQuietly());
    }

    void attachOrStartFallsBackToStarting()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("attach.status"), "1");
        link.attachOrStart();
        QVERIFY(link.isAttached());
        QCOMPARE(calls(), (QStringList{QStringLiteral("[attach]"), QStringLiteral("[start]")}));
        link.release();
        QVERIFY(!link.isAttached());
    }

    void attachOrStartFailureCarriesTheBridgesWords()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("attach.status"), "1");
        setFile(QStringLiteral("start.status"), "2");
        try {
            link.attachOrStart();
            QFAIL("a failed start went unnoticed");
        } catch (const AppError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("start: САПР не найдена")),
                     qPrintable(error.message()));
        }
        QVERIFY(!link.isAttached());
    }

    void drawingNameAndCommandsPassUntouched()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("fullname.txt"), "/проекты/Дом 5/ОВ-1.dwg\n");
        QCOMPARE(link.activeDrawingFullName(), QStringLiteral("/проекты/Дом 5/ОВ-1.dwg"));
        setFile(QStringLiteral("fullname.txt"), "");
        QCOMPARE(link.activeDrawingFullName(), QString());

        const QString command = QStringLiteral("(Kvintor-findblock \"ВК-160 'x'\")\r");
        link.sendCommand(command);
        QCOMPARE(calls().last(), QStringLiteral("[send][%1]").arg(command));

        setFile(QStringLiteral("send.status"), "1");
        QVERIFY_THROWS_EXCEPTION(AppError, link.sendCommand(QStringLiteral("(dorvik_import 0)\r")));
        setFile(QStringLiteral("fullname.status"), "1");
        QVERIFY_THROWS_EXCEPTION(AppError, link.activeDrawingFullName());
    }

    void withoutBridgeOnlyTheQuietAttachIsSilent()
    {
        QVERIFY(dynamic_cast<NoCadLink *>(CadLink::create(QStringLiteral("  ")).get()));
        QVERIFY(dynamic_cast<BridgeCadLink *>(CadLink::create(m_bridge).get()));
        NoCadLink none;
        QVERIFY(!none.attachQuietly());
        try {
            none.attachOrStart();
            QFAIL("no CAD program, yet attached");
        } catch (const AppError &error) {
            QVERIFY(error.message().contains(QStringLiteral("САПР")));
        }
        QVERIFY_THROWS_EXCEPTION(AppError, none.activeDrawingFullName());
    }
};

QTEST_GUILESS_MAIN(CadLinkTest)
#include "tst_cadlink.moc"
