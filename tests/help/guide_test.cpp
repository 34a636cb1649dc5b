// The guide's pages: every link and picture leads somewhere, every page can
// be reached, and the window navigates and finds as a reader expects.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>

#include "help/guide_window.h"

namespace corvane::help {
namespace {

QString read(const QString& resource) {
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every file of the guide, by its path below :/guide/.
QStringList guideFiles(const QString& suffix) {
    QStringList files;
    QDirIterator it(QStringLiteral(":/guide"), QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(QStringLiteral(":/guide/").size());
        if (path.endsWith(suffix)) files << path;
    }
    files.sort();
    return files;
}

struct Link {
    QString page;    // the page it is on
    QString target;  // as written
    QString file;    // the resource it resolves to, below :/guide/
    QString anchor;
};

std::vector<Link> links(const QString& page) {
    std::vector<Link> out;
    static const QRegularExpression attribute(
        QStringLiteral(R"re((?:href|src)\s*=\s*"([^"]*)")re"));
    const QUrl base = GuideWindow::pageUrl(page);
    auto it = attribute.globalMatch(read(QStringLiteral(":/guide/") + page));
    while (it.hasNext()) {
        const QString target = it.next().captured(1);
        const QUrl resolved = base.resolved(QUrl(target));
        out.push_back({page, target, resolved.path().mid(QStringLiteral("/guide/").size()),
                       resolved.fragment()});
    }
    return out;
}

TEST(GuidePages, TheGuideListsEveryPageItShipsContentsFirst) {
    QStringList listed = GuideWindow::pages();
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.front(), "index.html");
    listed.sort();
    EXPECT_EQ(listed, guideFiles(QStringLiteral(".html")));
}

TEST(GuidePages, EveryLinkAndPictureLeadsToAFileOfTheGuide) {
    for (const QString& page : GuideWindow::pages()) {
        SCOPED_TRACE(page.toStdString());
        const QString html = read(QStringLiteral(":/guide/") + page);
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << "no title";
        for (const Link& link : links(page)) {
            SCOPED_TRACE(link.target.toStdString());
            // Nothing outside the program: the guide works without a network.
            EXPECT_FALSE(link.target.contains(QStringLiteral(":")));
            ASSERT_TRUE(QFile::exists(QStringLiteral(":/guide/") + link.file)) << "missing file";
            if (!link.anchor.isEmpty()) {
                const QString target = read(QStringLiteral(":/guide/") + link.file);
                EXPECT_TRUE(target.contains(QStringLiteral("id=\"%1\"").arg(link.anchor)))
                    << "missing anchor";
            }
        }
    }
}

TEST(GuidePages, EveryPictureIsShownAndIsAnImage) {
    QSet<QString> shown;
    for (const QString& page : GuideWindow::pages()) {
        for (const Link& link : links(page)) shown.insert(link.file);
    }
    const QStringList pictures = guideFiles(QStringLiteral(".png"));
    EXPECT_GE(pictures.size(), 10);
    for (const QString& picture : pictures) {
        SCOPED_TRACE(picture.toStdString());
        EXPECT_TRUE(shown.contains(picture)) << "no page shows it";
        const QImage image(QStringLiteral(":/guide/") + picture);
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(image.width(), 100);
        EXPECT_GT(image.height(), 100);
        // Drawn by the program: black on white, not blank.
        int black = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) black += (image.pixel(x, y) & 0xFFFFFF) == 0;
        }
        EXPECT_GT(black, 50);
    }
}

TEST(GuidePages, EveryPageCanBeReachedFromTheContents) {
    QSet<QString> reached{QStringLiteral("index.html")};
    QStringList queue{QStringLiteral("index.html")};
    while (!queue.isEmpty()) {
        const QString page = queue.takeFirst();
        for (const Link& link : links(page)) {
            if (!link.file.endsWith(QStringLiteral(".html")) || reached.contains(link.file)) {
                continue;
            }
            reached.insert(link.file);
            queue << link.file;
        }
    }
    for (const QString& page : GuideWindow::pages()) {
        EXPECT_TRUE(reached.contains(page)) << page.toStdString();
    }
}

// The Contents names every page itself, in the guide's order.
TEST(GuidePages, TheContentsListsEveryPageInOrder) {
    QStringList listed;
    for (const Link& link : links(QStringLiteral("index.html"))) {
        if (link.file.endsWith(QStringLiteral(".html")) && link.anchor.isEmpty() &&
            link.file != QStringLiteral("index.html") && !listed.contains(link.file)) {
            listed << link.file;
        }
    }
    const QStringList pages = GuideWindow::pages().mid(1);
    EXPECT_EQ(listed.mid(0, pages.size()), pages);
}

// Every lesson a page names (as NAME.corvane) is shipped with the program.
TEST(GuidePages, EveryLessonNamedIsShipped) {
    static const QRegularExpression lesson(QStringLiteral(R"re(([a-z0-9-]+)\.corvane)re"));
    const QDir shipped(QStringLiteral(CORVANE_LESSONS_DIR));
    int named = 0;
    for (const QString& page : GuideWindow::pages()) {
        auto it = lesson.globalMatch(read(QStringLiteral(":/guide/") + page));
        while (it.hasNext()) {
            const QString file = it.next().captured(0);
            if (file == QStringLiteral("lesson.corvane")) continue;  // an example of a name
            ++named;
            EXPECT_TRUE(shipped.exists(file)) << page.toStdString() << ": " << file.toStdString();
        }
    }
    EXPECT_GE(named, 8);
}

class GuideWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        guide.show();
        QApplication::processEvents();
    }
    QString selected() const { return guide.browser()->textCursor().selectedText(); }

    GuideWindow guide;
};

TEST_F(GuideWindowTest, OpensAtTheContentsWithItsPicturesLoaded) {
    EXPECT_EQ(guide.currentPage(), "index.html");
    EXPECT_EQ(guide.windowTitle(), "Corvane Guide: Contents");
    guide.showPage(QStringLiteral("histograms.html"));
    const QVariant picture = guide.browser()->document()->resource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("pictures/histogram.png")));
    EXPECT_TRUE(picture.isValid());
}

TEST_F(GuideWindowTest, LinksCanBeFollowedFromTheKeyboardAndBackAgain) {
    guide.browser()->setFocus();
    QTest::keyClick(guide.browser(), Qt::Key_Tab);
    const QString link = guide.browser()->textCursor().charFormat().anchorHref();
    EXPECT_EQ(link, "maps.html");
    QTest::keyClick(guide.browser(), Qt::Key_Return);
    EXPECT_EQ(guide.currentPage(), "maps.html");
    EXPECT_TRUE(guide.backAction()->isEnabled());

    QTest::keyClick(&guide, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(guide.currentPage(), "index.html");
    EXPECT_TRUE(guide.forwardAction()->isEnabled());
    guide.forwardAction()->trigger();
    EXPECT_EQ(guide.currentPage(), "maps.html");
    guide.findChild<QAction*>(QStringLiteral("contents"))->trigger();
    EXPECT_EQ(guide.currentPage(), "index.html");
}

TEST_F(GuideWindowTest, FindGoesOnToTheNextPageThatHoldsTheText) {
    struct Case {
        const char* text;
        bool backward;
        const char* page;  // where it is found, starting from the contents
    };
    const Case cases[] = {
        {"invariant density", false, "histograms.html"},
        {"INVARIANT DENSITY", false, "histograms.html"},
        {"period-doubling route", false, "exercises.html"},
        {"Shift+F3", true, "keyboard.html"},
        {"orbit", false, "index.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        guide.showPage(QStringLiteral("index.html"));
        EXPECT_TRUE(guide.find(QString::fromUtf8(c.text), c.backward));
        EXPECT_EQ(guide.currentPage(), c.page);
        EXPECT_EQ(selected().toLower(), QString::fromUtf8(c.text).toLower());
    }
}

TEST_F(GuideWindowTest, FindComesRoundToTheStartAndSaysWhenNothingMatches) {
    // "U-shaped" is said once on the histograms page and once in the exercises.
    guide.showPage(QStringLiteral("histograms.html"));
    ASSERT_TRUE(guide.find(QStringLiteral("U-shaped")));
    const int first = guide.browser()->textCursor().position();
    ASSERT_TRUE(guide.find(QStringLiteral("U-shaped")));
    EXPECT_EQ(guide.currentPage(), "exercises.html");
    ASSERT_TRUE(guide.find(QStringLiteral("U-shaped")));
    EXPECT_EQ(guide.currentPage(), "histograms.html");
    EXPECT_EQ(guide.browser()->textCursor().position(), first);
    // Backwards from there: the exercises again.
    ASSERT_TRUE(guide.find(QStringLiteral("U-shaped"), true));
    EXPECT_EQ(guide.currentPage(), "exercises.html");

    EXPECT_FALSE(guide.find(QStringLiteral("no such words in the guide")));
    EXPECT_EQ(guide.currentPage(), "exercises.html");
    EXPECT_FALSE(guide.find(QString()));
}

TEST_F(GuideWindowTest, TheFindFieldFindsOnEnterAndReportsNothingFound) {
    QTest::keyClick(&guide, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(guide.findField()->hasFocus() || !guide.isActiveWindow());
    QTest::keyClicks(guide.findField(), QStringLiteral("histogram"));
    QTest::keyClick(guide.findField(), Qt::Key_Return);
    EXPECT_EQ(guide.findStatus()->text(), "");
    EXPECT_EQ(selected().toLower(), "histogram");

    guide.findField()->clear();
    QTest::keyClicks(guide.findField(), QStringLiteral("zzyzx"));
    QTest::keyClick(guide.findField(), Qt::Key_Return);
    EXPECT_EQ(guide.findStatus()->text(), "Not found");
    QTest::keyClick(guide.findField(), Qt::Key_Backspace);
    EXPECT_EQ(guide.findStatus()->text(), "");
}

TEST_F(GuideWindowTest, EscapeClosesTheGuide) {
    guide.activateWindow();
    QApplication::processEvents();
    QTest::keyClick(guide.browser(), Qt::Key_Escape);
    EXPECT_FALSE(guide.isVisible());
}

TEST_F(GuideWindowTest, EveryControlHasAName) {
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&guide);
    ASSERT_NE(root, nullptr);
    std::vector<QAccessibleInterface*> nodes;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            if (QAccessibleInterface* child = node->child(i)) {
                nodes.push_back(child);
                walk(child);
            }
        }
    };
    walk(root);
    QStringList buttons;
    for (QAccessibleInterface* node : nodes) {
        const QAccessible::Role role = node->role();
        if (role == QAccessible::EditableText || role == QAccessible::PushButton ||
            role == QAccessible::Button) {
            EXPECT_FALSE(node->text(QAccessible::Name).isEmpty())
                << node->object()->metaObject()->className();
        }
        if (role == QAccessible::PushButton || role == QAccessible::Button) {
            buttons << node->text(QAccessible::Name);
        }
    }
    for (const char* name : {"Back", "Forward", "Contents", "Next", "Previous"}) {
        EXPECT_TRUE(buttons.contains(name)) << name;
    }
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(guide.browser());
    EXPECT_EQ(page->text(QAccessible::Name), "Guide page");
    EXPECT_EQ(page->text(QAccessible::Description), "Contents");
    QAccessibleInterface* find = QAccessible::queryAccessibleInterface(guide.findField());
    EXPECT_EQ(find->text(QAccessible::Name), "Find in the guide");
}

}  // namespace
}  // namespace corvane::help
