#include "clipboard/VLClipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QtEndian>

#include <gtest/gtest.h>

#include "ClipboardTestSupport.h"

namespace vellum {
namespace {

using testing::SolidPicture;

// The store takes pictures by pointer ("no picture" is allowed); a temporary lives until the
// end of the call.
const TXBitmap* Given(const TXBitmap& picture)
{
    return &picture;
}

// The store on the offscreen platform's clipboard, which behaves as the system's within one
// process. Every test starts with an empty clipboard.
class ClipboardStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QGuiApplication::clipboard()->clear();
        TVLClipboard::SetErrorReporter([this](const QString& message) { m_errors << message; });
    }
    void TearDown() override
    {
        TVLClipboard::SetErrorReporter(nullptr);
        QGuiApplication::clipboard()->clear();
    }

    static QByteArray privateBytes()
    {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data ? data->data(QLatin1String(TVLClipboard::PrivateFormatName)) : QByteArray();
    }
    static std::int32_t countOf(const QByteArray& bytes)
    {
        return bytes.size() < 4 ? 0 : qFromLittleEndian<std::int32_t>(bytes.constData());
    }
    static QImage standardImage()
    {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
    }
    static void putForeignImage(int width)
    {
        auto* data = new QMimeData;
        QImage image(width, 1, QImage::Format_RGB32);
        image.fill(Qt::green);
        data->setImageData(image);
        QGuiApplication::clipboard()->setMimeData(data);
    }
    // (identifier, width, tag) of each enumerated item.
    std::vector<std::tuple<std::int32_t, int, std::int32_t>> enumerate()
    {
        std::vector<std::tuple<std::int32_t, int, std::int32_t>> items;
        m_store.EnumItems([&](std::int32_t id, const TXBitmap& picture, std::int32_t tag, bool&) {
            items.emplace_back(id, picture.Width(), tag);
        });
        return items;
    }
    std::vector<int> widths()
    {
        std::vector<int> result;
        for (const auto& item : enumerate())
            result.push_back(std::get<1>(item));
        return result;
    }

    TVLClipboard m_store{ClipboardChangedMessage};
    QStringList m_errors;
};

TEST_F(ClipboardStoreTest, CopyOnAnEmptyClipboardGivesOneItemAndTheStandardPicture)
{
    EXPECT_EQ(m_store.AvailableFormat(), 0);
    EXPECT_FALSE(m_store.HasPicture());
    m_store.CopyPicture(Given(SolidPicture(3, 2, RGBColor(200, 100, 50))), 0x123456);

    EXPECT_EQ(m_store.AvailableFormat(), m_store.PrivateFormat());
    EXPECT_TRUE(m_store.HasPicture());
    EXPECT_EQ(countOf(privateBytes()), 1);
    const QImage image = standardImage();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(QColor(image.pixel(2, 1)), QColor(200, 100, 50));

    TXBitmap pasted;
    std::int32_t tag = 0;
    m_store.PastePicture(&pasted, tag);
    EXPECT_EQ(tag, 0x123456);
    EXPECT_EQ(pasted.Width(), 3);
    EXPECT_EQ(pasted.PixelColour(0, 0), RGBColor(200, 100, 50));
}

TEST_F(ClipboardStoreTest, AForeignPictureBecomesAnOlderItemWithoutTag)
{
    putForeignImage(7);
    EXPECT_EQ(m_store.AvailableFormat(), TVLClipboard::StandardBitmapFormat);
    EXPECT_EQ(enumerate(), (std::vector<std::tuple<std::int32_t, int, std::int32_t>>{{-1, 7, -1}}));

    TXBitmap pasted;
    std::int32_t tag = 5;
    m_store.PastePicture(&pasted, tag);
    EXPECT_EQ(tag, -1);
    EXPECT_EQ(pasted.Width(), 7);

    m_store.CopyPlainPicture(Given(SolidPicture(2, 2, clWhite)));
    EXPECT_EQ(countOf(privateBytes()), 2);
    const auto items = enumerate();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(std::get<1>(items[0]), 2);
    EXPECT_EQ(std::get<1>(items[1]), 7);
    EXPECT_EQ(std::get<2>(items[1]), -1);
}

TEST_F(ClipboardStoreTest, TextIsNoPictureAndIsReplacedByACopy)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
    EXPECT_EQ(m_store.AvailableFormat(), -1);
    EXPECT_FALSE(m_store.HasPicture());
    EXPECT_TRUE(enumerate().empty());
    TXBitmap untouched = SolidPicture(1, 1, clBlack);
    std::int32_t tag = 42;
    m_store.PastePicture(&untouched, tag);
    EXPECT_EQ(tag, 42);

    m_store.CopyPlainPicture(Given(SolidPicture(1, 1, clWhite)));
    EXPECT_EQ(countOf(privateBytes()), 1);
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());
}

TEST_F(ClipboardStoreTest, ElevenCopiesKeepTheTenNewest)
{
    for (int width = 1; width <= 11; ++width)
        m_store.CopyPlainPicture(Given(SolidPicture(width, 1, clWhite)));
    EXPECT_EQ(countOf(privateBytes()), 10);
    EXPECT_EQ(widths(), (std::vector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
}

TEST_F(ClipboardStoreTest, DeletingAndPromotingKeepTheStandardPictureNewest)
{
    for (int width = 4; width >= 1; --width)
        m_store.CopyPlainPicture(Given(SolidPicture(width, 1, clWhite)));
    // Identifiers come from a millisecond clock; give the items distinct ones.
    QByteArray bytes = privateBytes();
    std::vector<std::int32_t> ids;
    std::int32_t id = 500;
    for (qint64 pos = 4; pos < bytes.size(); pos += qFromLittleEndian<std::int32_t>(bytes.constData() + pos + 4)) {
        qToLittleEndian(id, bytes.data() + pos);
        ids.push_back(id++);
    }
    auto* data = new QMimeData;
    data->setData(QLatin1String(TVLClipboard::PrivateFormatName), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    ASSERT_EQ(widths(), (std::vector<int>{1, 2, 3, 4}));

    m_store.PromoteItem(ids[2]);
    EXPECT_EQ(widths(), (std::vector<int>{3, 1, 2, 4}));
    EXPECT_EQ(standardImage().width(), 3);

    m_store.DeleteItem(ids[2]);
    EXPECT_EQ(widths(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(standardImage().width(), 1);

    m_store.DeleteItem(12345); // not there: the clipboard is emptied
    EXPECT_EQ(m_store.AvailableFormat(), 0);
}

TEST_F(ClipboardStoreTest, DeletingTheOnlyItemOrANegativeIdentifierEmptiesTheClipboard)
{
    m_store.CopyPlainPicture(Given(SolidPicture(1, 1, clWhite)));
    const auto items = enumerate();
    ASSERT_EQ(items.size(), 1u);
    m_store.DeleteItem(std::get<0>(items[0]));
    EXPECT_EQ(m_store.AvailableFormat(), 0);

    putForeignImage(3);
    m_store.DeleteItem(-1);
    EXPECT_EQ(m_store.AvailableFormat(), 0);
}

TEST_F(ClipboardStoreTest, EnumerationStopsOnRequestAndReportsCallbackFailures)
{
    for (int width = 1; width <= 3; ++width)
        m_store.CopyPlainPicture(Given(SolidPicture(width, 1, clWhite)));
    int calls = 0;
    m_store.EnumItems([&](std::int32_t, const TXBitmap&, std::int32_t, bool& cont) {
        ++calls;
        cont = false;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(m_errors.isEmpty());

    m_store.EnumItems([](std::int32_t, const TXBitmap&, std::int32_t, bool&) {
        throw VellumException(QStringLiteral("boom"));
    });
    EXPECT_EQ(m_errors, QStringList{QStringLiteral("ENumVLClipboardItems errorboom")});
}

TEST_F(ClipboardStoreTest, StrayBytesAfterTheLastItemAreNoError)
{
    m_store.CopyPlainPicture(Given(SolidPicture(2, 1, clWhite)));
    m_store.CopyPlainPicture(Given(SolidPicture(1, 1, clWhite)));
    auto* data = new QMimeData;
    data->setData(QLatin1String(TVLClipboard::PrivateFormatName), privateBytes() + QByteArray(37, '\x5A'));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_EQ(widths(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(ClipboardStoreTest, AnImportedPictureAndTheCopyAfterItKeepApart)
{
    // The import and the copy are added within one millisecond.
    putForeignImage(7);
    m_store.CopyPlainPicture(Given(SolidPicture(2, 1, clWhite)));
    const auto items = enumerate();
    ASSERT_EQ(items.size(), 2u);
    ASSERT_NE(std::get<0>(items[0]), std::get<0>(items[1]));
    m_store.DeleteItem(std::get<0>(items[1]));
    EXPECT_EQ(widths(), std::vector<int>{2});
}

// Data that claims a picture but yields none, as an owner that vanished or sent bytes that do
// not decode.
class EmptyPictureData : public QMimeData {
public:
    QStringList formats() const override { return {QStringLiteral("application/x-qt-image")}; }
    bool hasFormat(const QString& format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString&, QMetaType) const override { return QVariant::fromValue(QImage()); }
};

TEST_F(ClipboardStoreTest, WhatYieldsNoPictureIsNoPicture)
{
    const std::function<void()> contents[] = {
        [] { QGuiApplication::clipboard()->clear(); },
        [] { QGuiApplication::clipboard()->setText(QStringLiteral("text")); },
        [] { QGuiApplication::clipboard()->setMimeData(new EmptyPictureData); },
        [] { // beyond the picture limits
            auto* data = new QMimeData;
            data->setImageData(QImage(kMaxPictureSide + 1, 1, QImage::Format_RGB32));
            QGuiApplication::clipboard()->setMimeData(data);
        },
    };
    int i = 0;
    for (const auto& put : contents) {
        SCOPED_TRACE(i++);
        put();
        TXBitmap picture = SolidPicture(1, 1, clBlack);
        std::int32_t tag = 42;
        EXPECT_FALSE(m_store.PastePicture(&picture, tag));
        EXPECT_EQ(picture.Width(), 1);
        EXPECT_EQ(tag, 42);
        EXPECT_TRUE(enumerate().empty());
    }
}

TEST_F(ClipboardStoreTest, AForeignPictureWithAlphaIsComposedOverWhite)
{
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 10, 20, 0));
    image.setPixel(1, 0, qRgba(200, 10, 20, 255));
    image.setPixel(2, 0, qRgba(0, 0, 0, 128));
    auto* data = new QMimeData;
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);

    TXBitmap picture;
    std::int32_t tag = 0;
    ASSERT_TRUE(m_store.PastePicture(&picture, tag));
    EXPECT_EQ(picture.PixelColour(0, 0), clWhite);
    EXPECT_EQ(picture.PixelColour(1, 0), RGBColor(200, 10, 20));
    const int grey = GetRValue(picture.PixelColour(2, 0));
    EXPECT_NEAR(grey, 127, 1);
}

// A store whose clipboard refuses every write, as X11 may refuse us the ownership.
class RefusingStore : public TVLClipboard {
public:
    using TVLClipboard::TVLClipboard;

protected:
    bool setClipboardData(std::unique_ptr<QMimeData>) override { return false; }
};

TEST_F(ClipboardStoreTest, ARefusedCopyIsReported)
{
    EXPECT_TRUE(m_store.CopyPlainPicture(Given(SolidPicture(1, 1, clWhite))));
    RefusingStore refusing(ClipboardChangedMessage);
    EXPECT_FALSE(refusing.CopyPicture(Given(SolidPicture(2, 1, clWhite)), 5));
    EXPECT_EQ(widths(), std::vector<int>{1});
}

TEST(ClipboardSinglePicture, OnlyTheStandardPictureIsUsed)
{
    QGuiApplication::clipboard()->clear();
    TVLClipboard store(ClipboardChangedMessage, TVLClipboard::TMode::SinglePicture);
    EXPECT_EQ(store.PrivateFormat(), 0);
    EXPECT_EQ(store.FormatPriority(), QList<int>{TVLClipboard::StandardBitmapFormat});
    store.CopyPicture(Given(SolidPicture(4, 1, clWhite)), 0x00FF00);
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(QLatin1String(TVLClipboard::PrivateFormatName)));
    EXPECT_EQ(store.AvailableFormat(), TVLClipboard::StandardBitmapFormat);
    TXBitmap pasted;
    std::int32_t tag = 0;
    store.PastePicture(&pasted, tag);
    EXPECT_EQ(tag, -1);
    EXPECT_EQ(pasted.Width(), 4);
    QGuiApplication::clipboard()->clear();
}

// Records the clipboard events it receives under its name.
class Receiver : public QObject {
public:
    Receiver(QString name, QStringList& log) : m_name(std::move(name)), m_log(log) {}
    bool event(QEvent* e) override
    {
        if (e->type() == static_cast<QEvent::Type>(ClipboardChangedMessage)) {
            m_log << m_name;
            return true;
        }
        return QObject::event(e);
    }

private:
    QString m_name;
    QStringList& m_log;
};

TEST(ClipboardNotifier, ReceiversAreToldSynchronouslyInRegistrationOrder)
{
    QStringList log;
    TVLClipboard store(ClipboardChangedMessage);
    Receiver a(QStringLiteral("a"), log);
    Receiver b(QStringLiteral("b"), log);
    auto gone = std::make_unique<Receiver>(QStringLiteral("gone"), log);
    store.AddWindow(&b);
    store.AddWindow(&a);
    store.AddWindow(&b);
    store.AddWindow(gone.get());
    gone.reset(); // destroyed without unregistering

    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    EXPECT_EQ(log, (QStringList{"b", "a", "b"}));

    log.clear();
    store.RemoveWindow(&b);
    store.CopyPlainPicture(Given(SolidPicture(1, 1, clWhite)));
    EXPECT_EQ(log, (QStringList{"a", "b"}));

    log.clear();
    store.SetEnabled(false);
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(log.isEmpty());
    store.SetEnabled(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("y"));
    EXPECT_EQ(log, (QStringList{"a", "b"}));
    QGuiApplication::clipboard()->clear();
}

} // namespace
} // namespace vellum
