// What the tool windows' menus have in common: a map's caption, File →
// Close, and the Map menu's entries.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "core/numeric/map.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace corvane::explore {

// A number as the tool windows' fields and status lines write it: every
// digit it needs (numberText).
QString text(double value);

// A map's formula as titles and menus show it.
QString mapCaption(const Map& map);

// What File → "Open session…", "Save session…" and "Open recent" do: the
// program's wiring supplies one set for every tool window; `owner` is the
// window whose menu was used.
struct SessionCommands {
    std::function<void(QWidget* owner)> open;
    std::function<void(QWidget* owner)> save;
    // The sessions opened or saved last, newest first.
    std::function<QStringList()> recent;
    std::function<void(QWidget* owner, const QString& path)> openPath;
};
// The three entries (actionOpenSession, actionSaveSession, the submenu
// menuOpenRecent filled as it opens) and a separator; nothing happens
// while `commands` gives null.
void addSessionActions(QMenu* file, QWidget* window,
                       std::function<std::shared_ptr<const SessionCommands>()> commands);

// View → "Undo view" (Ctrl+Z), "Redo view" (Ctrl+Shift+Z) and "Home" (the
// Home key): actionUndo, actionRedo and actionHome.
struct ViewHistoryActions {
    QAction* undo;
    QAction* redo;
    QAction* home;
};
ViewHistoryActions addViewHistoryActions(QMenu* view, QWidget* window, std::function<void()> undo,
                                         std::function<void()> redo, std::function<void()> home);

// File → Close (actionClose, the platform's Close shortcut) for `window`.
QAction* addCloseAction(QMenu* file, QWidget* window);
// View → "Large text and lines", checkable; `toggled` gets the user's choice.
QAction* addLargeTextAction(QMenu* view, QWidget* window, std::function<void(bool on)> toggled);

// The two built-in maps as exclusive checkable entries actionMap1 and
// actionMap2, calling select with the map; `group` makes them exclusive.
std::array<QAction*, 2> addMapActions(QMenu* menu, QActionGroup* group,
                                      const std::function<void(const Map& map)>& select);

// The entry of the Map menu that names `map`: the built-in maps' two, then
// Custom… for a formula.
inline std::size_t mapActionIndex(const Map& map) { return static_cast<std::size_t>(map.kind()); }

// A separator, then "Custom…" (actionMapCustom) in the same group.
QAction* addCustomMapAction(QMenu* menu, QActionGroup* group, const std::function<void()>& choose);

}  // namespace corvane::explore
