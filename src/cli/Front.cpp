#include "Front.h"

#include "AppError.h"
#include "BuildInfo.h"
#include "Commands.h"
#include "Console.h"
#include "Workspace.h"

#include <algorithm>
#include <optional>

namespace Front {
namespace {

const QString kProgram = QStringLiteral("kvintor-cli");
const QString kOutputOption = QStringLiteral("-o");
const QString kCatalogueOption = QStringLiteral("--catalogue");

struct CommandLine {
    bool help = false;
    bool version = false;
    QString command;
    QString catalogue;
    std::optional<QString> output;
    QStringList files;
    QStringList flags;
    QHash<QString, QString> options;
};

QString help()
{
    QString text = QStringLiteral("%1 — спецификация Kvintor без окон.\n\n"
                                  "Использование: %1 КОМАНДА [параметры] ФАЙЛ.СО...\n\n"
                                  "Команды:\n")
                       .arg(kProgram);
    qsizetype width = 0;
    for (const Command &command : commands())
        width = std::max(width, command.name.size() + 1 + command.operands.size());
    for (const Command &command : commands())
        text += QStringLiteral("  %1  %2\n")
                    .arg(command.name + u' ' + command.operands, -int(width))
                    .arg(command.summary);
    text += QStringLiteral(
        "\nПараметры:\n"
        "  --catalogue ФАЙЛ  база товара: файл или адрес сервера "
        "postgresql://пользователь@сервер:порт/база; без него — адрес из параметра catalogue, "
        "иначе dorvik-Vent.mdb из папки, заданной параметром path, или из папки программы\n"
        "  -o ФАЙЛ           файл, который пишет команда\n"
        "  -h, --help        этот список\n"
        "  --version         версия программы и дата её сборки\n\n"
        "Код завершения: 0 — всё выполнено; 1 — файл отвергнут или не записан (сообщение "
        "«ФАЙЛ:СТРОКА: текст» в потоке ошибок); 2 — неверный вызов.\n");
    return text;
}

const Command *find(const QString &name)
{
    const auto &table = commands();
    const auto found = std::find_if(table.cbegin(), table.cend(),
                                    [&](const Command &command) { return command.name == name; });
    return found == table.cend() ? nullptr : &*found;
}

// A command line that cannot be run throws AppError saying what is wrong
// with it, which the front tells apart from a refused file by when it comes.
CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const auto value = [&]() -> QString {
            if (i + 1 == arguments.size() || arguments[i + 1].isEmpty())
                throw AppError(QStringLiteral("после «%1» нужно имя файла.").arg(argument));
            return arguments[++i];
        };
        if (optionsEnd || !argument.startsWith(u'-')) {
            if (line.command.isNull())
                line.command = argument;
            else
                line.files << argument;
        } else if (argument == QStringLiteral("--")) {
            optionsEnd = true;
        } else if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            line.help = true;
        } else if (argument == QStringLiteral("--version")) {
            line.version = true;
        } else if (argument == kOutputOption) {
            if (line.output)
                throw AppError(QStringLiteral("«-o» указан дважды."));
            line.output = value();
        } else if (argument == kCatalogueOption) {
            line.catalogue = value();
        } else if (argument.startsWith(kCatalogueOption + u'=')) {
            // An empty value would quietly fall back to the settings' catalogue.
            line.catalogue = argument.mid(kCatalogueOption.size() + 1);
            if (line.catalogue.isEmpty())
                throw AppError(QStringLiteral("после «%1» нужно имя файла.").arg(kCatalogueOption));
        } else if (std::any_of(commands().cbegin(), commands().cend(),
                               [&](const Command &c) { return c.options.contains(argument); })) {
            if (i + 1 == arguments.size())
                throw AppError(QStringLiteral("после «%1» нужно значение.").arg(argument));
            line.options.insert(argument, arguments[++i]);
        } else if (std::any_of(commands().cbegin(), commands().cend(),
                               [&](const Command &c) { return c.flags.contains(argument); })) {
            line.flags << argument;
        } else {
            throw AppError(QStringLiteral("неизвестный параметр «%1».").arg(argument));
        }
    }
    // A command of two words: its second word came as the first operand.
    if (!line.command.isNull() && !find(line.command) && !line.files.isEmpty() &&
        find(line.command + u' ' + line.files.first()))
        line.command += u' ' + line.files.takeFirst();
    return line;
}

// The command that the line names, given what it needs.
const Command &checked(const CommandLine &line)
{
    if (line.command.isNull())
        throw AppError(QStringLiteral("не указана команда."));
    const Command *command = find(line.command);
    if (!command) {
        QStringList second;
        for (const Command &known : commands())
            if (known.name.startsWith(line.command + u' '))
                second << known.name.section(u' ', 1);
        if (!second.isEmpty())
            throw AppError(QStringLiteral("после «%1» нужно одно из: %2.")
                               .arg(line.command, second.join(QStringLiteral(", "))));
        throw AppError(QStringLiteral("неизвестная команда «%1».").arg(line.command));
    }
    if (command->files == Command::Files::None && !line.files.isEmpty())
        throw AppError(
            QStringLiteral("команда %1 не берёт файлов, кроме «-o ФАЙЛ».").arg(command->name));
    if (command->files != Command::Files::None && line.files.isEmpty())
        throw AppError(QStringLiteral("команде %1 не указан файл: %2.")
                           .arg(command->name, command->operands.section(u' ', 0, 0)));
    if (command->files == Command::Files::One && line.files.size() > 1)
        throw AppError(
            QStringLiteral("команда %1 берёт один файл спецификации.").arg(command->name));
    if (command->files == Command::Files::Two && line.files.size() != 2)
        throw AppError(QStringLiteral("команда %1 берёт два файла: %2.")
                           .arg(command->name, command->operands.section(u' ', 0, 1)));
    if (command->needsOutput && !line.output)
        throw AppError(
            QStringLiteral("команде %1 нужен файл для записи: «-o ФАЙЛ».").arg(command->name));
    for (const QString &option : line.options.keys()) {
        if (!command->options.contains(option))
            throw AppError(
                QStringLiteral("команда %1 не знает параметра «%2».").arg(command->name, option));
    }
    for (const QString &flag : line.flags) {
        if (!command->flags.contains(flag))
            throw AppError(
                QStringLiteral("команда %1 не знает параметра «%2».").arg(command->name, flag));
    }
    if (!command->needsOutput && line.output)
        throw AppError(
            QStringLiteral("команда %1 не пишет файл: «-o» ей не нужен.").arg(command->name));
    return *command;
}

} // namespace

int run(const QStringList &arguments, const QString &programFolder, Console &console)
{
    const Command *command = nullptr;
    CommandLine line;
    try {
        line = parse(arguments);
        if (line.help) {
            console.out() << help();
            return Success;
        }
        if (line.version) {
            console.out() << BuildInfo::versionLine(kProgram) << Qt::endl;
            return Success;
        }
        command = &checked(line);
    } catch (const AppError &error) {
        console.err() << kProgram << ": " << error.message() << '\n'
                      << QStringLiteral("Список команд: %1 --help").arg(kProgram) << Qt::endl;
        return WrongUsage;
    }

    try {
        const Invocation invocation{line.files, line.output.value_or(QString()), line.flags,
                                    line.options};
        if (command->runAlone)
            return command->runAlone(invocation, console);
        Workspace workspace(programFolder, line.catalogue, command->writesCatalogue);
        return command->run(workspace, invocation, console);
    } catch (const AppError &error) {
        console.refuse(error);
    } catch (const std::exception &error) {
        console.err() << kProgram << ": " << QString::fromLocal8Bit(error.what()) << Qt::endl;
    }
    return Refused;
}

} // namespace Front
