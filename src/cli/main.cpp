#include "Console.h"
#include "Front.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Console console;
    return Front::run(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(),
                      console);
}
