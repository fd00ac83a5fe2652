#include "browser/DirTreeView.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// A folder tree under a temporary folder: a path there is found through the root "/" (or
// the home folder when the temporary folder lies in it).
class DirTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* folder : {"Pics", "pics", "pics/b", "pics/a", "pics/.hidden", "pics/Zeta", "pics/Zeta/inner", "empty"})
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QString::fromLatin1(folder)));
        QFile(m_dir.filePath(QStringLiteral("pics/a/photo.JPG"))).open(QIODevice::WriteOnly);
        QFile(m_dir.filePath(QStringLiteral("pics/b/notes.txt"))).open(QIODevice::WriteOnly);
        m_root = QDir(m_dir.path()).canonicalPath() + QLatin1Char('/');
        m_tree.BuildRoots();
        m_tree.OnNodeChange = [this](const QString& before, const QString& after) { changes << before + " -> " + after; };
    }
    QStringList childNames(const QString& path)
    {
        QStringList names;
        QStandardItem* item = m_tree.ItemForPath(path);
        for (int row = 0; item != nullptr && row < item->rowCount(); ++row)
            names << item->child(row)->text();
        return names;
    }
    bool settle() { return QTest::qWaitFor([this] { return !m_tree.TestsPending(); }, 10000); }

    QTemporaryDir m_dir;
    QString m_root;
    TDirTreeView m_tree;
    QStringList changes;
};

TEST_F(DirTreeViewTest, RootsComeFirstWithSlashAndHome)
{
    const auto roots = TDirTreeView::RootFolders();
    ASSERT_GE(roots.size(), 1u);
    EXPECT_EQ(roots[0].Path, QStringLiteral("/"));
    for (const auto& root : roots)
        EXPECT_TRUE(root.Path.endsWith(QLatin1Char('/'))) << root.Path.toStdString();
}

TEST_F(DirTreeViewTest, PathsAreFoundByTheirExactNames)
{
    m_tree.SelectPath(m_root + QStringLiteral("pics/a"));
    EXPECT_EQ(m_tree.SelectedPath(), m_root + QStringLiteral("pics/a/"));
    EXPECT_EQ(changes.size(), 1) << "one change for the whole walk";
    m_tree.SelectPath(m_root + QStringLiteral("Pics"));
    EXPECT_EQ(m_tree.SelectedPath(), m_root + QStringLiteral("Pics/"));
    // Sub-folders sorted by name, hidden ones left out.
    EXPECT_EQ(childNames(m_root + QStringLiteral("pics")), (QStringList{"a", "b", "Zeta"}));
    // The walk stops at the first name that is not there.
    m_tree.SelectPath(m_root + QStringLiteral("pics/missing/deeper"));
    EXPECT_EQ(m_tree.SelectedPath(), m_root + QStringLiteral("pics/"));
    EXPECT_EQ(m_tree.ItemForPath(m_root + QStringLiteral("PICS")), nullptr);
}

TEST_F(DirTreeViewTest, FoldersWithPicturesAreMarkedOffTheInterfaceThread)
{
    m_tree.SelectPath(m_root + QStringLiteral("pics"));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(TDirTreeView::HasPictures(m_tree.ItemForPath(m_root + QStringLiteral("pics/a"))));
    EXPECT_FALSE(TDirTreeView::HasPictures(m_tree.ItemForPath(m_root + QStringLiteral("pics/b"))));
    // Without sub-folders a folder loses its expand button once that is known.
    EXPECT_EQ(m_tree.ItemForPath(m_root + QStringLiteral("pics/b"))->rowCount(), 0);
    EXPECT_GT(m_tree.ItemForPath(m_root + QStringLiteral("pics"))->rowCount(), 0);
    // Rebuilding keeps the selection and the expanded folders, and says nothing.
    changes.clear();
    m_tree.Rebuild();
    ASSERT_TRUE(settle());
    EXPECT_EQ(m_tree.SelectedPath(), m_root + QStringLiteral("pics/"));
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(TDirTreeView::HasPictures(m_tree.ItemForPath(m_root + QStringLiteral("pics/a"))));
}

TEST_F(DirTreeViewTest, AFolderUnderADragOpensAfterAWhileAndTakesTheDrop)
{
    m_tree.resize(400, 600);
    m_tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_tree));
    m_tree.OnAcceptDrag = [](const QMimeData* data) { return data->hasFormat(QStringLiteral("application/x-test")); };
    QString dropped;
    m_tree.OnDropOnFolder = [&](const QString& path, const QPoint&) { dropped = path; };
    m_tree.SelectPath(m_root + QStringLiteral("pics"));
    ASSERT_TRUE(settle());
    QStandardItem* zeta = m_tree.ItemForPath(m_root + QStringLiteral("pics/Zeta"));
    ASSERT_NE(zeta, nullptr);
    m_tree.scrollTo(zeta->index());
    const QPoint at = m_tree.visualRect(zeta->index()).center();
    QMimeData data;
    data.setData(QStringLiteral("application/x-test"), "x");
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_tree.viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_tree.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_FALSE(m_tree.isExpanded(zeta->index()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_tree.isExpanded(zeta->index()); }, 5000));
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_tree.viewport(), &drop);
    EXPECT_EQ(dropped, m_root + QStringLiteral("pics/Zeta/"));
    EXPECT_EQ(m_tree.DragDropPath(), dropped);
    // Other data is refused.
    QMimeData other;
    QDragMoveEvent refused(at, Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_tree.viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
} // namespace vellum
