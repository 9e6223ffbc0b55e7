#include "Commands.h"

#include "AppError.h"
#include "Console.h"
#include "SpecificationCheck.h"
#include "SpecificationCommands.h"
#include "Workspace.h"

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

ExitStatus save(Workspace &workspace, const Invocation &invocation, Console &console)
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
        SpecificationCommands::writeCopy(workspace.session(), target);
    } catch (const AppError &error) {
        console.refuse(error, target);
        return Refused;
    }
    return Success;
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> table = {
        {QStringLiteral("check"), QStringLiteral("ФАЙЛ.СО..."),
         QStringLiteral("открывает файлы, как программа, и называет число позиций, блоки, "
                        "которых нет в базе товара, и позиции без группы"),
         Command::Files::Many, false, check},
        {QStringLiteral("save"), QStringLiteral("ФАЙЛ.СО -o ВЫХОД.СО"),
         QStringLiteral(
             "открывает файл, как программа, и сохраняет его, как команда "
             "«Сохранить спецификацию»: в кодовой странице 1251, где текст это позволяет"),
         Command::Files::One, true, save},
    };
    return table;
}
