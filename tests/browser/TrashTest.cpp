#include "browser/Trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "FileSystemTestSupport.h"

namespace vellum {
namespace {

using test::DeviceOf;
using test::ReadAll;
using test::WriteAll;

// A folder of pictures, the data folder pointed at a place that does not exist yet, and the
// working folder moved into the pictures (where a faulty trash once filed them).
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("pictures")));
        m_pictures = m_root.filePath(QStringLiteral("pictures/"));
        m_oldData = qgetenv("XDG_DATA_HOME");
        m_oldDataSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        m_data = m_root.filePath(QStringLiteral("new/data"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
        m_oldCurrent = QDir::currentPath();
        QDir::setCurrent(m_pictures);
    }
    void TearDown() override
    {
        QDir::setCurrent(m_oldCurrent);
        if (m_oldDataSet)
            qputenv("XDG_DATA_HOME", m_oldData);
        else
            qunsetenv("XDG_DATA_HOME");
    }

    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    static void expectRecord(const QString& info, const QByteArray& path)
    {
        const QByteArray record = ReadAll(info);
        const QRegularExpression form(QStringLiteral("^\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n$"));
        const QRegularExpressionMatch match = form.match(QString::fromUtf8(record));
        ASSERT_TRUE(match.hasMatch()) << record.toStdString();
        EXPECT_EQ(match.captured(1).toUtf8(), path);
        const QDateTime deleted = QDateTime::fromString(match.captured(2), Qt::ISODate);
        EXPECT_LE(std::abs(deleted.secsTo(QDateTime::currentDateTime())), 60);
    }

    QTemporaryDir m_root;
    QString m_pictures;
    QString m_data;
    QByteArray m_oldData;
    bool m_oldDataSet = false;
    QString m_oldCurrent;
};

TEST_F(TrashTest, AMissingHomeTrashIsMadeAndKeepsEveryFileUnderItsOwnName)
{
    const QString name = QStringLiteral("50% off #1.jpg");
    WriteAll(m_pictures + name, "first");
    const TTrashResult first = MoveToTrash(m_pictures + name);
    ASSERT_TRUE(first.Done) << first.Reason.toStdString();
    const QString trash = m_data + QStringLiteral("/Trash/");
    EXPECT_EQ(first.TrashedPath, trash + QStringLiteral("files/") + name);
    EXPECT_EQ(ReadAll(first.TrashedPath), "first");
    expectRecord(trash + QStringLiteral("info/") + name + QStringLiteral(".trashinfo"),
                 QFile::encodeName(m_pictures).toPercentEncoding("/") + "50%25%20off%20%231.jpg");
    EXPECT_TRUE(entries(m_pictures).isEmpty()) << "nothing filed in the working folder";
    EXPECT_EQ(QFileInfo(trash).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());

    // The same name again, and a link: the link goes, its target stays.
    WriteAll(m_pictures + name, "second");
    WriteAll(m_root.filePath(QStringLiteral("target.jpg")), "target");
    ASSERT_TRUE(QFile::link(m_root.filePath(QStringLiteral("target.jpg")), m_pictures + QStringLiteral("link.jpg")));
    const TTrashResult second = MoveToTrash(m_pictures + name);
    const TTrashResult link = MoveToTrash(m_pictures + QStringLiteral("link.jpg"));
    ASSERT_TRUE(second.Done && link.Done);
    EXPECT_EQ(second.TrashedPath, trash + QStringLiteral("files/50% off #1.2.jpg"));
    EXPECT_EQ(ReadAll(second.TrashedPath), "second");
    EXPECT_EQ(ReadAll(first.TrashedPath), "first");
    EXPECT_TRUE(QFileInfo(link.TrashedPath).isSymLink());
    EXPECT_EQ(ReadAll(m_root.filePath(QStringLiteral("target.jpg"))), "target");
    EXPECT_EQ(entries(trash + QStringLiteral("info")),
              (QStringList{"50% off #1.2.jpg.trashinfo", "50% off #1.jpg.trashinfo", "link.jpg.trashinfo"}));
    EXPECT_TRUE(entries(m_pictures).isEmpty());
}

TEST_F(TrashTest, AFileOnAnotherFileSystemGoesToItsVolumesTrash)
{
    const QString shm = QStringLiteral("/dev/shm");
    if (!QFileInfo(shm).isDir() || DeviceOf(shm) == DeviceOf(m_root.path()) || DeviceOf(shm) == DeviceOf(QStringLiteral("/dev")))
        GTEST_SKIP() << "/dev/shm is no file system of its own here";
    QTemporaryDir volume(shm + QStringLiteral("/vellum-trash-XXXXXX"));
    ASSERT_TRUE(volume.isValid());
    const QString trash = shm + QStringLiteral("/.Trash-") + QString::number(::getuid());
    const bool trashExisted = QFileInfo::exists(trash);
    const QString name = QFileInfo(volume.path()).fileName() + QStringLiteral(".jpg");
    const QString picture = volume.filePath(name);
    WriteAll(picture, "on tmpfs");

    const TTrashResult result = MoveToTrash(picture);
    ASSERT_TRUE(result.Done) << result.Reason.toStdString();
    const QString info = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
    EXPECT_EQ(result.TrashedPath, trash + QStringLiteral("/files/") + name);
    EXPECT_EQ(ReadAll(result.TrashedPath), "on tmpfs");
    EXPECT_FALSE(QFileInfo::exists(picture));
    // Relative to the volume's top, so the record holds when the volume is mounted elsewhere.
    expectRecord(info, QFile::encodeName(QFileInfo(volume.path()).fileName() + QLatin1Char('/') + name));
    EXPECT_EQ(QFileInfo(trash).permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::Permissions());

    QFile::remove(result.TrashedPath);
    QFile::remove(info);
    if (!trashExisted) {
        QDir(trash).rmdir(QStringLiteral("files"));
        QDir(trash).rmdir(QStringLiteral("info"));
        QDir(shm).rmdir(QFileInfo(trash).fileName());
    }
}

TEST_F(TrashTest, WhenNoTrashTakesTheFileItStays)
{
    ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("locked")));
    WriteAll(m_root.filePath(QStringLiteral("blocker")), "a file, not a folder");
    struct Case {
        const char* what;
        QString data;
        bool readOnly;
    };
    const Case cases[] = {
        {"a file where the data folder should be", m_root.filePath(QStringLiteral("blocker/data")), false},
        {"a read-only data folder", m_root.filePath(QStringLiteral("locked")), true},
    };
    for (const Case& c : cases) {
        if (c.readOnly) {
            ASSERT_TRUE(QFile::setPermissions(c.data, QFile::ReadOwner | QFile::ExeOwner));
            if (::access(QFile::encodeName(c.data).constData(), W_OK) == 0) {
                QFile::setPermissions(c.data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                continue; // the administrator writes anywhere
            }
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(c.data));
        WriteAll(m_pictures + QStringLiteral("keep.jpg"), "kept");
        const TTrashResult result = MoveToTrash(m_pictures + QStringLiteral("keep.jpg"));
        EXPECT_FALSE(result.Done) << c.what;
        EXPECT_TRUE(result.Reason.startsWith(QStringLiteral("the trash folder %1/Trash cannot be made: ").arg(c.data)))
            << c.what << ": " << result.Reason.toStdString();
        EXPECT_EQ(ReadAll(m_pictures + QStringLiteral("keep.jpg")), "kept") << c.what;
        EXPECT_EQ(entries(m_pictures), QStringList{QStringLiteral("keep.jpg")}) << c.what;
        if (c.readOnly)
            QFile::setPermissions(c.data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_TRUE(entries(m_root.filePath(QStringLiteral("locked"))).isEmpty());
}

} // namespace
} // namespace vellum
