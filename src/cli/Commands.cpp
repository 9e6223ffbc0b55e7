#include "Commands.h"

#include "AppError.h"
#include "Console.h"
#include "Numbering.h"
#include "PositionsTable.h"
#include "Session.h"
#include "SpecificationCheck.h"
#include "SpecificationCommands.h"
#include "Workspace.h"

#include <functional>

namespace {

ExitStatus check(Workspace &workspace, const Invocation &invocation, Console &console)
{
    ExitStatus status = Success;
    for (const QString &file : invocation.files) {
        try {
            const int count = workspace.open(file);
            const SpecificationCheck::Findings findings =
                SpecificationCheck::examine(workspace.session());
            QTextStream &out = console.out();
            out << file << ": позиций " << count << ", нет в базе товара "
                << findings.unknownNames.size() << ", без группы " << findings.ungrouped.size()
                << '\n';
            for (const QString &name : findings.unknownNames)
                out << "  нет в базе товара: " << name << '\n';
            for (const SpecificationCheck::Position &position : findings.ungrouped)
                out << "  без группы: поз. " << position.number << ' ' << position.name << '\n';
            out.flush();
        } catch (const AppError &error) {
            console.refuse(error, file);
            status = Refused;
        }
    }
    return status;
}

// The commands that read one file, change it and write it: a refused file
// or a failed write is named, and nothing is written.
ExitStatus transform(Workspace &workspace, const Invocation &invocation, Console &console,
                     const std::function<void(Session &session)> &change)
{
    const QString &source = invocation.files.first();
    try {
        workspace.open(source);
    } catch (const AppError &error) {
        console.refuse(error, source);
        return Refused;
    }
    const QString &target = invocation.output;
    try {
        change(workspace.session());
        SpecificationCommands::writeCopy(workspace.session(), target);
    } catch (const AppError &error) {
        console.refuse(error, target);
        return Refused;
    }
    return Success;
}

ExitStatus save(Workspace &workspace, const Invocation &invocation, Console &console)
{
    return transform(workspace, invocation, console, [](Session &) {});
}

ExitStatus sort(Workspace &workspace, const Invocation &invocation, Console &console)
{
    const QString &source = invocation.files.first();
    return transform(workspace, invocation, console, [&](Session &session) {
        if (invocation.flags.contains(QStringLiteral("--clean")))
            Numbering::removeEmptyPositions(session);
        if (Numbering::sortAndNumber(session) == 0)
            return;
        QTextStream &err = console.err();
        err << source << QStringLiteral(": позиции неопределенных групп:") << '\n';
        for (const Position &position :
             session.positions().read({PositionFilter::Kind::UndefinedGroup, {}}))
            err << QStringLiteral("  поз. ") << position.number.value_or(0) << ' ' << position.name
                << '\n';
        err.flush();
    });
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> table = {
        {QStringLiteral("check"),
         QStringLiteral("ФАЙЛ.СО..."),
         QStringLiteral("открывает файлы, как программа, и называет число позиций, блоки, "
                        "которых нет в базе товара, и позиции без группы"),
         Command::Files::Many,
         false,
         {},
         check},
        {QStringLiteral("save"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.СО"),
         QStringLiteral(
             "открывает файл, как программа, и сохраняет его, как команда "
             "«Сохранить спецификацию»: в кодовой странице 1251, где текст это позволяет"),
         Command::Files::One,
         true,
         {},
         save},
        {QStringLiteral("sort"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.СО [--clean]"),
         QStringLiteral("открывает файл, как программа, нумерует позиции по порядку групп базы "
                        "товара («Сортировка») и сохраняет; позиции неопределенных групп "
                        "перечисляет в потоке ошибок; --clean сначала удаляет позиции с "
                        "количеством 0 и без группы («Удалить нулевые»)"),
         Command::Files::One,
         true,
         {QStringLiteral("--clean")},
         sort},
    };
    return table;
}
