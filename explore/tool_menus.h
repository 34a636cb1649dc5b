// What the tool windows' menus have in common: a map's caption, File →
// Close, and the Map menu's entries.
#pragma once

#include <QString>
#include <array>
#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace corvane::explore {

// A map's formula as titles and menus show it (1 or 2).
QString mapCaption(int map);

// File → Close (actionClose, the platform's Close shortcut) for `window`.
QAction* addCloseAction(QMenu* file, QWidget* window);

// The two maps as exclusive checkable entries actionMap1 and actionMap2,
// calling select(1) or select(2); `group` makes them exclusive.
std::array<QAction*, 2> addMapActions(QMenu* menu, QActionGroup* group,
                                      const std::function<void(int map)>& select);

// A separator, then "Custom…" (actionMapCustom) in the same group.
QAction* addCustomMapAction(QMenu* menu, QActionGroup* group, const std::function<void()>& choose);

}  // namespace corvane::explore
