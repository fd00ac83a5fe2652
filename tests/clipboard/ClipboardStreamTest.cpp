#include "clipboard/VLClipbrd.h"

#include <limits>

#include <QBuffer>
#include <QtEndian>

#include <gtest/gtest.h>

#include "ClipboardTestSupport.h"

namespace vellum {
namespace {

using testing::SolidPicture;

std::int32_t int32At(const QByteArray& bytes, qint64 pos)
{
    return qFromLittleEndian<std::int32_t>(bytes.constData() + pos);
}

// The items' tags from the front, found by walking the item size fields.
std::vector<std::int32_t> tags(const QByteArray& bytes)
{
    std::vector<std::int32_t> result;
    for (qint64 pos = 4; pos + 12 <= bytes.size(); pos += int32At(bytes, pos + 4))
        result.push_back(int32At(bytes, pos + 8));
    return result;
}

TEST(ClipboardStream, EmptyStreamHasNoItems)
{
    TVLClipboardStream stream;
    EXPECT_EQ(stream.ItemCount(), 0);
    stream.TruncateItems(3);
    EXPECT_EQ(stream.size(), 0);
    TXBitmap picture;
    std::int32_t tag = 0;
    try {
        stream.GetFirstItem(picture, tag);
        FAIL() << "no exception";
    } catch (const EVLClipboardStreamError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("GetFirstItem - There are no items"));
    }
}

TEST(ClipboardStream, FirstItemStartsAtFourAndHoldsAWholeBmp)
{
    TVLClipboardStream stream;
    const std::int32_t id = stream.AddItem(SolidPicture(3, 2, RGBColor(10, 20, 30)), 0x00FF00);
    const QByteArray& bytes = stream.Bytes();
    EXPECT_EQ(int32At(bytes, 0), 1);
    EXPECT_EQ(int32At(bytes, 4), id);
    EXPECT_GE(id, 0);
    EXPECT_EQ(int32At(bytes, 8), bytes.size() - 4); // item size: nothing after the only item
    EXPECT_EQ(int32At(bytes, 12), 0x00FF00);
    EXPECT_EQ(bytes.mid(16, 2), QByteArray("BM"));

    TXBitmap picture;
    std::int32_t tag = 0;
    stream.GetFirstItem(picture, tag);
    EXPECT_EQ(tag, 0x00FF00);
    ASSERT_EQ(picture.Width(), 3);
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(picture.PixelColour(2, 1), RGBColor(10, 20, 30));
}

// A picture of several huge pages is written in one piece, its start last: the item holds
// exactly the bytes of the picture's file, and the older item after it stays whole.
TEST(ClipboardStream, ALargePictureIsStoredAsItsFileBytes)
{
    TVLClipboardStream stream;
    stream.AddItem(SolidPicture(3, 2, RGBColor(10, 20, 30)), 5);
    TXBitmap large(2001, 1500);
    for (int y = 0; y < large.Height(); ++y)
        for (int x = 0; x < large.Width(); ++x)
            StorePixel(large.ScanLine(y) + 3 * x, RGBColor(x & 255, y & 255, (x ^ y) & 255));
    stream.AddItem(large, 7);

    QBuffer file;
    file.open(QIODevice::WriteOnly);
    large.SaveToStream(file);
    const QByteArray& bytes = stream.Bytes();
    const qint64 itemSize = int32At(bytes, 8);
    ASSERT_EQ(itemSize, 12 + file.data().size());
    EXPECT_TRUE(bytes.mid(16, file.data().size()) == file.data());
    EXPECT_EQ(tags(bytes), (std::vector<std::int32_t>{7, 5}));

    TXBitmap picture;
    std::int32_t tag = 0;
    stream.GetFirstItem(picture, tag);
    EXPECT_EQ(tag, 7);
    EXPECT_EQ(picture.PixelColour(2000, 1499), large.PixelColour(2000, 1499));
}

TEST(ClipboardStream, TheEleventhItemDropsTheOldest)
{
    TVLClipboardStream stream;
    for (int i = 0; i < 11; ++i)
        stream.AddItem(SolidPicture(1, 1, RGBColor(i, 0, 0)), i);
    EXPECT_EQ(stream.ItemCount(), 10);
    const std::vector<std::int32_t> expected{10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(tags(stream.Bytes()), expected);
}

// A stream of four items with tags 1 (newest) to 4, and their identifiers. Identifiers come
// from a millisecond clock, so they are rewritten to be distinct.
QByteArray fourItems(std::vector<std::int32_t>& ids)
{
    TVLClipboardStream stream;
    for (int tag = 4; tag >= 1; --tag)
        stream.AddItem(SolidPicture(tag, 1, RGBColor(tag * 40, 0, 0)), tag);
    QByteArray bytes = stream.Bytes();
    ids.clear();
    std::int32_t id = 100;
    for (qint64 pos = 4; pos < bytes.size(); pos += int32At(bytes, pos + 4)) {
        qToLittleEndian(id, bytes.data() + pos);
        ids.push_back(id++);
    }
    return bytes;
}

// The items' identifiers from the front.
std::vector<std::int32_t> identifiers(const QByteArray& bytes)
{
    std::vector<std::int32_t> result;
    for (qint64 pos = 4; pos + 12 <= bytes.size(); pos += int32At(bytes, pos + 4))
        result.push_back(int32At(bytes, pos));
    return result;
}

TEST(ClipboardStream, ANewIdentifierLiesAboveEveryIdentifierInTheStream)
{
    // Added within one millisecond, items would share the clock's value; deleting or promoting
    // the second would then act on the first.
    TVLClipboardStream quick;
    for (int i = 0; i < 5; ++i)
        quick.AddItem(SolidPicture(1, 1, clWhite), -1);
    const std::vector<std::int32_t> added = identifiers(quick.Bytes());
    for (std::size_t i = 1; i < added.size(); ++i)
        EXPECT_GT(added[i - 1], added[i]);

    const std::int32_t future = TVLClipboardStream::NewIdentifier() + 1000000;
    constexpr std::int32_t top = std::numeric_limits<std::int32_t>::max();
    struct Case {
        std::vector<std::int32_t> existing; // newest first
        std::int32_t expected;              // -1: the clock's value
    };
    const Case cases[] = {
        {{future, 7}, future + 1},
        {{7, future}, future + 1},
        {{top, 0, 1}, 2}, // no room above: the smallest free one, never negative
        {{top}, 0},
        {{3, 2}, -1},     // all below the clock
    };
    for (const Case& c : cases) {
        TVLClipboardStream stream;
        for (std::size_t i = 0; i < c.existing.size(); ++i)
            stream.AddItem(SolidPicture(1, 1, clWhite), -1);
        QByteArray bytes = stream.Bytes();
        std::size_t i = 0;
        for (qint64 pos = 4; pos < bytes.size(); pos += int32At(bytes, pos + 4))
            qToLittleEndian(c.existing[i++], bytes.data() + pos);
        TVLClipboardStream rewritten(bytes);
        const std::int32_t before = TVLClipboardStream::NewIdentifier();
        const std::int32_t id = rewritten.AddItem(SolidPicture(1, 1, clWhite), -1);
        if (c.expected >= 0) {
            EXPECT_EQ(id, c.expected);
        } else {
            EXPECT_GE(id, before);
            EXPECT_LE(id, TVLClipboardStream::NewIdentifier());
        }
        EXPECT_EQ(identifiers(rewritten.Bytes()).front(), id);
    }
}

TEST(ClipboardStream, PromotingTheThirdOrdersThreeOneTwoFour)
{
    std::vector<std::int32_t> ids;
    TVLClipboardStream stream(fourItems(ids));
    TXBitmap picture;
    std::int32_t tag = 0;
    ASSERT_TRUE(stream.PromoteItem(ids[2], &picture, tag));
    EXPECT_EQ(tags(stream.Bytes()), (std::vector<std::int32_t>{3, 1, 2, 4}));
    EXPECT_EQ(stream.ItemCount(), 4);
    EXPECT_EQ(tag, 3);
    EXPECT_EQ(picture.Width(), 3);

    EXPECT_FALSE(stream.PromoteItem(999, &picture, tag));
}

TEST(ClipboardStream, DeletingTheFirstDecodesTheSecond)
{
    std::vector<std::int32_t> ids;
    TVLClipboardStream stream(fourItems(ids));
    TXBitmap picture;
    std::int32_t tag = 0;
    ASSERT_TRUE(stream.DeleteItem(ids[0], &picture, tag));
    EXPECT_EQ(tags(stream.Bytes()), (std::vector<std::int32_t>{2, 3, 4}));
    EXPECT_EQ(stream.ItemCount(), 3);
    EXPECT_EQ(tag, 2);
    EXPECT_EQ(picture.Width(), 2);

    EXPECT_FALSE(stream.DeleteItem(999, &picture, tag));
    EXPECT_EQ(stream.ItemCount(), 3);
}

TEST(ClipboardStream, DeleteSectionChecksItsPositions)
{
    TVLClipboardStream stream(QByteArray("0123456789"));
    for (const auto& [start, end] : {std::pair<qint64, qint64>{-1, 3}, {3, 3}, {5, 2}, {0, 11}}) {
        try {
            stream.DeleteSection(start, end);
            FAIL() << start << ".." << end;
        } catch (const VellumException& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Delete Section - Invalid positions"));
        }
    }
    stream.DeleteSection(2, 5);
    EXPECT_EQ(stream.Bytes(), QByteArray("0156789"));
    stream.DeleteSection(5, 7);
    EXPECT_EQ(stream.Bytes(), QByteArray("01567"));
}

TEST(ClipboardStream, InsertAtPositionKeepsTheTail)
{
    TVLClipboardStream stream(QByteArray("abcdef"));
    stream.seek(2);
    stream.InsertAtPosition(QByteArray("XY"));
    EXPECT_EQ(stream.Bytes(), QByteArray("abXYcdef"));
    EXPECT_EQ(stream.pos(), 4);
}

// Reads every item from the front as ReadNextItem does; the tags read.
std::vector<std::int32_t> walk(TVLClipboardStream& stream)
{
    std::vector<std::int32_t> result;
    stream.seek(4);
    TXBitmap picture;
    std::int32_t id = 0;
    std::int32_t tag = 0;
    while (stream.ReadNextItem(id, picture, tag))
        result.push_back(tag);
    return result;
}

TEST(ClipboardStream, WalksStopQuietlyAtDamage)
{
    std::vector<std::int32_t> ids;
    const QByteArray good = fourItems(ids);
    const qint64 second = 4 + int32At(good, 8);

    struct Case {
        const char* name;
        QByteArray bytes;
        std::vector<std::int32_t> expected;
    };
    auto withSize = [&](std::int32_t size) {
        QByteArray b = good;
        qToLittleEndian(size, b.data() + second + 4);
        return b;
    };
    QByteArray badBmp = good;
    badBmp[second + 12] = 'X'; // the second picture is no BMP
    const std::vector<Case> cases{
        {"trailing bytes", good + QByteArray("stray"), {1, 2, 3, 4}},
        {"truncated last item", good.left(good.size() - 3), {1, 2, 3}},
        {"size below the header", withSize(11), {1}},
        {"size zero", withSize(0), {1}},
        {"negative size", withSize(-100), {1}},
        {"size past the end", withSize(0x7FFFFFFF), {1}},
        {"picture that does not decode", badBmp, {1}},
        {"header cut short", good.left(second + 6), {1}},
    };
    for (const Case& c : cases) {
        TVLClipboardStream stream(c.bytes);
        EXPECT_EQ(walk(stream), c.expected) << c.name;
    }
}

TEST(ClipboardStream, AddingToADamagedStreamKeepsOnlyWholeItems)
{
    std::vector<std::int32_t> ids;
    QByteArray bytes = fourItems(ids);
    qToLittleEndian<std::int32_t>(-7, bytes.data()); // an absurd count
    bytes += QByteArray(5, '\xFF');                  // and stray bytes
    TVLClipboardStream stream(bytes);
    stream.AddItem(SolidPicture(1, 1, clBlack), 9);
    EXPECT_EQ(stream.ItemCount(), 5);
    EXPECT_EQ(tags(stream.Bytes()), (std::vector<std::int32_t>{9, 1, 2, 3, 4}));
    EXPECT_EQ(walk(stream).size(), 5u);
}

TEST(ClipboardStream, FirstItemThatDoesNotDecodeIsAnError)
{
    QByteArray bytes(4 + 12 + 4, '\0');
    qToLittleEndian<std::int32_t>(1, bytes.data());
    qToLittleEndian<std::int32_t>(16, bytes.data() + 8);
    TVLClipboardStream stream(bytes);
    TXBitmap picture;
    std::int32_t tag = 0;
    try {
        stream.GetFirstItem(picture, tag);
        FAIL() << "no exception";
    } catch (const EVLClipboardStreamError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("GetFirstItem - Error getting item"));
    }
}

} // namespace
} // namespace vellum
