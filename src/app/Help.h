#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QUrl>
#include <array>

class QAction;
class QWidget;

// The user guide that comes with the program, in a help window of its own,
// and the "О программе" box.
namespace Help {

// The guide's chapters, each a stable anchor: F1 in a window opens the guide
// at that window's chapter.
inline constexpr QLatin1StringView kPurpose{"purpose"};
inline constexpr QLatin1StringView kStart{"start"};         // the start window and its menu
inline constexpr QLatin1StringView kFiles{"files"};         // opening, creating, saving, locks
inline constexpr QLatin1StringView kEditor{"editor"};       // the editor window
inline constexpr QLatin1StringView kCommands{"commands"};   // the editor's command buttons
inline constexpr QLatin1StringView kCatalogue{"catalogue"}; // "База товара"
inline constexpr QLatin1StringView kPicker{"picker"};       // the component picker
inline constexpr QLatin1StringView kGroups{"groups"};       // "Порядок групп."
inline constexpr QLatin1StringView kFileFormat{"file-format"};
inline constexpr QLatin1StringView kCad{"cad"};
inline constexpr QLatin1StringView kCli{"cli"};
inline constexpr QLatin1StringView kSettings{"settings"};
inline constexpr QLatin1StringView kLimits{"limits"};
inline constexpr QLatin1StringView kKeys{"keys"};       // every key of every window
inline constexpr QLatin1StringView kInstall{"install"}; // the package, where the catalogue lives
// Sections for the smaller windows.
inline constexpr QLatin1StringView kUndo{"undo"};          // "История правок"
inline constexpr QLatin1StringView kFirmName{"firm-name"}; // the firm name dialog
inline constexpr QLatin1StringView kCombine{"combine"}; // "Добавление/вычитание спецификаций."
inline constexpr QLatin1StringView kSheet{"sheet"};       // the sheet's preview
inline constexpr QLatin1StringView kEstimate{"estimate"}; // the estimate's preview
inline constexpr QLatin1StringView kDuplicate{"duplicate"}; // "Позиция уже существует."
inline constexpr QLatin1StringView kCadWait{"cad-wait"}; // "Ожидание программы САПР"
inline constexpr QLatin1StringView kFind{"find"};        // "Поиск и замена"

// Every anchor above.
inline constexpr std::array kAnchors{
    kPurpose,    kStart,   kFiles, kEditor,   kCommands,  kCatalogue, kPicker,  kGroups,
    kFileFormat, kCad,     kCli,   kSettings, kLimits,    kKeys,      kInstall, kUndo,
    kFirmName,   kCombine, kSheet, kEstimate, kDuplicate, kCadWait,   kFind};

// The guide inside the program, at anchor (its beginning for none).
QUrl guideUrl(const QString &anchor = {});

// Opens the one help window at anchor and brings it to the front. parent is
// the window the user asked from; the help window stays when it closes.
void showGuide(QWidget *parent, const QString &anchor = {});

// The "О программе" box: the version, the day of the build and the
// libraries the program runs with.
void showAbout(QWidget *parent);

// The commands of a "Справка" menu, owned by window: "Руководство
// пользователя" (F1), which opens the guide at anchor, and "О программе".
// Both are added to window, so that F1 works there also without a menu.
struct Actions {
    QAction *guide = nullptr;
    QAction *about = nullptr;
};
Actions addActions(QWidget *window, const QString &anchor);

} // namespace Help
