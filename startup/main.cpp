#include "app/modInventory.h"
#include "startup/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <optional>

namespace {

// --help and --version are answered on the terminal before anything needs a display, a window
// or a database; every other argument is left to Qt (-platform, -style, ...). The exit code, or
// nothing when the program should start.
std::optional<int> answerOnTheTerminal(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // "-stylesheet" is Qt's option, not -s -t -y ... -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Raise, verify, list and print the stock requests of a hospital's "
                       "departments.\nThe database is chosen in the sign-in dialog "
                       "(Database...), and kept in\n$XDG_CONFIG_HOME/inventory-request/"
                       "session.ini."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and exits."));
    parser.addOption(help);
    parser.addOption(version);
    parser.parse(arguments); // Qt's own options are not known here: not an error
    if (parser.isSet(help)) {
        // With no application object yet, the parser cannot name the program itself.
        QString text = parser.helpText();
        text.replace(QLatin1String("<executable_name>"), QFileInfo(arguments.first()).fileName());
        text += QStringLiteral("\nQt's own options (-platform, -style, ...) are passed to Qt.\n");
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("Inventory Request " INVENTORY_VERSION "\n", stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> answered = answerOnTheTerminal(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    // No display name: the desktop would add it to every window title ("MESSAGE - Inventory
    // Request"); each window's title is its own.
    QApplication::setApplicationName(QStringLiteral("Inventory Request"));
    // Ties the windows to the installed menu entry (and its icon) on desktops that ask.
    QApplication::setDesktopFileName(QStringLiteral(INVENTORY_APP_ID));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/" INVENTORY_APP_ID "-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    if (!modInventory::Main())
        return 0;
    const int result = QApplication::exec();
    modInventory::ResetSession();
    return result;
}
