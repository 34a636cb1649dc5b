#include "explore/tool_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#include "core/numeric/number_text.h"

namespace corvane::explore {

QString text(double value) { return QString::fromStdString(numberText(value)); }

QString mapCaption(const Map& map) { return QString::fromStdString(map.caption()); }

void addSessionActions(QMenu* file, QWidget* window,
                       std::function<std::shared_ptr<const SessionCommands>()> commands) {
    QAction* open = file->addAction(QStringLiteral("&Open session\u2026"), window, [window, commands] {
        if (const auto c = commands(); c && c->open) c->open(window);
    });
    open->setObjectName(QStringLiteral("actionOpenSession"));
    open->setShortcut(QKeySequence::Open);
    QAction* save = file->addAction(QStringLiteral("&Save session\u2026"), window, [window, commands] {
        if (const auto c = commands(); c && c->save) c->save(window);
    });
    save->setObjectName(QStringLiteral("actionSaveSession"));
    save->setShortcut(QKeySequence::Save);
    QMenu* recent = file->addMenu(QStringLiteral("Open &recent"));
    recent->setObjectName(QStringLiteral("menuOpenRecent"));
    recent->menuAction()->setObjectName(QStringLiteral("menuOpenRecent"));
    QObject::connect(recent, &QMenu::aboutToShow, window, [recent, window, commands] {
        recent->clear();
        const auto c = commands();
        const QStringList paths = c && c->recent ? c->recent() : QStringList();
        for (const QString& path : paths) {
            recent->addAction(path, window, [window, commands, path] {
                if (const auto now = commands(); now && now->openPath) now->openPath(window, path);
            });
        }
        if (paths.isEmpty()) recent->addAction(QStringLiteral("(none)"))->setEnabled(false);
    });
    file->addSeparator();
}

ViewHistoryActions addViewHistoryActions(QMenu* view, QWidget* window, std::function<void()> undo,
                                         std::function<void()> redo, std::function<void()> home) {
    auto add = [&](const QString& text, const char* name, const QKeySequence& key,
                   std::function<void()> fn) {
        QAction* a = view->addAction(text, window, std::move(fn));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        return a;
    };
    return {add(QStringLiteral("&Undo view"), "actionUndo", QKeySequence(Qt::CTRL | Qt::Key_Z),
                std::move(undo)),
            add(QStringLiteral("&Redo view"), "actionRedo",
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), std::move(redo)),
            add(QStringLiteral("&Home"), "actionHome", QKeySequence(Qt::Key_Home), std::move(home))};
}

QAction* addCloseAction(QMenu* file, QWidget* window) {
    QAction* close =
        file->addAction(QStringLiteral("&Close"), window, [window] { window->close(); });
    close->setObjectName(QStringLiteral("actionClose"));
    close->setShortcut(QKeySequence::Close);
    return close;
}

QAction* addLargeTextAction(QMenu* view, QWidget* window, std::function<void(bool on)> toggled) {
    QAction* large = view->addAction(QStringLiteral("&Large text and lines"));
    large->setObjectName(QStringLiteral("actionLargeText"));
    large->setCheckable(true);
    large->setToolTip(QStringLiteral("Text, ticks and lines large enough for a projector"));
    QObject::connect(large, &QAction::toggled, window, std::move(toggled));
    return large;
}

std::array<QAction*, 2> addMapActions(QMenu* menu, QActionGroup* group,
                                      const std::function<void(const Map& map)>& select) {
    std::array<QAction*, 2> actions{};
    for (int m = 1; m <= 2; ++m) {
        const Map map = Map::fromChoice(m);
        QAction* action = menu->addAction(mapCaption(map), group, [select, map] { select(map); });
        action->setObjectName(QStringLiteral("actionMap%1").arg(m));
        action->setCheckable(true);
        group->addAction(action);
        actions[static_cast<std::size_t>(m - 1)] = action;
    }
    return actions;
}

QAction* addCustomMapAction(QMenu* menu, QActionGroup* group, const std::function<void()>& choose) {
    menu->addSeparator();
    QAction* custom =
        menu->addAction(QStringLiteral("&Custom\u2026"), group, [choose] { choose(); });
    custom->setObjectName(QStringLiteral("actionMapCustom"));
    custom->setCheckable(true);
    group->addAction(custom);
    return custom;
}

}  // namespace corvane::explore
