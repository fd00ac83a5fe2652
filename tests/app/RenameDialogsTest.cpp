#include "app/RenameFileDlg.h"
#include "app/RenameFilesDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "AppTestSupport.h"

namespace vellum {
namespace {

TEST(RenameTemplate, TheFirstDirectiveGetsTheDigitsOfTheCount)
{
    struct Case {
        const char* nameTemplate;
        int count;
        int value;
        const char* expected; // nullptr: cannot be formatted with one number
    };
    const Case cases[] = {
        {"Holiday_%d", 12, 1, "Holiday_01"},
        {"Holiday_%d", 12, 12, "Holiday_12"},
        {"img%d", 9, 9, "img9"},
        {"img%d", 10, 1, "img01"},
        {"img%d", 150, 7, "img007"},
        {"X%Dy", 3, 2, "X2y"},       // the first directive in any case
        {"50%%_%d", 5, 3, "50%_3"},
        {"A%dB%d", 3, 1, nullptr},   // a second directive
        {"%d%s", 3, 1, nullptr},
        {"%d%", 3, 1, nullptr},      // a lone percent sign
    };
    for (const Case& c : cases) {
        const std::optional<QString> name = FormatRenamePattern(RenamePattern(QString::fromUtf8(c.nameTemplate), c.count), c.value);
        if (c.expected == nullptr) {
            EXPECT_FALSE(name.has_value()) << c.nameTemplate;
        } else {
            ASSERT_TRUE(name.has_value()) << c.nameTemplate;
            EXPECT_EQ(*name, QString::fromUtf8(c.expected)) << c.nameTemplate;
        }
    }
}

TEST(RenameTemplate, FormatsOneIntegerDirective)
{
    struct Case {
        const char* pattern;
        int value;
        const char* expected;
    };
    const Case cases[] = {
        {"a%5.3db", 7, "a  007b"}, {"%-4d|", 7, "7   |"}, {"%x", 255, "FF"}, {"%.4X", 26, "001A"},
        {"%u", 12, "12"},          {"plain", 3, "plain"}, {"%s", 1, nullptr}, {"%999d", 1, nullptr},
        {"%*d", 1, nullptr},       {"%", 1, nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<QString> text = FormatRenamePattern(QString::fromUtf8(c.pattern), c.value);
        if (c.expected == nullptr)
            EXPECT_FALSE(text.has_value()) << c.pattern;
        else
            EXPECT_EQ(text.value_or(QStringLiteral("<none>")), QString::fromUtf8(c.expected)) << c.pattern;
    }
}

// Types text into the dialog's name field and presses OK; any box that comes is answered.
bool tryOk(TStandardDialog& dialog, QLineEdit* edit, const QString& text, QStringList& boxes)
{
    edit->setText(text);
    testing::MessageAnswers answers({QMessageBox::Ok});
    dialog.OKButton()->click();
    QCoreApplication::processEvents();
    boxes << answers.texts;
    return dialog.result() == QDialog::Accepted;
}

TEST(RenameFileDialog, KeepsTheExtensionAndAPlainName)
{
    struct Case {
        const char* oldName;
        const char* text;
        const char* box; // nullptr: accepted
    };
    const Case cases[] = {
        {"photo.JPG", "photo2.jpg", nullptr},
        {"photo.JPG", "photo2.png", "You must specify the same file extension"},
        {"photo.jpg", "", "You have not specifed the new name for photo.jpg."},
        {"photo.jpg", "../elsewhere.jpg", "A file name cannot contain '/'."},
        {"photo.jpg", "-new name é.jpg", nullptr},
    };
    for (const Case& c : cases) {
        TRenameFileDialog dialog(QString::fromUtf8(c.oldName));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rename File"));
        EXPECT_EQ(dialog.FileNameEdit()->text(), QString::fromUtf8(c.oldName));
        dialog.show();
        QStringList boxes;
        const bool accepted = [&] {
            // Accepting without exec: the result is set by done().
            dialog.setResult(QDialog::Rejected);
            return tryOk(dialog, dialog.FileNameEdit(), QString::fromUtf8(c.text), boxes);
        }();
        EXPECT_EQ(accepted, c.box == nullptr) << c.text;
        EXPECT_EQ(boxes, c.box == nullptr ? QStringList() : QStringList{QString::fromUtf8(c.box)}) << c.text;
    }
}

TEST(RenameFilesDialog, NeedsALowerCaseDirectiveAndNoSlash)
{
    struct Case {
        const char* text;
        const char* box;
    };
    const Case cases[] = {
        {"Holiday_%d", nullptr},
        {"", "You have not specifed the new name template."},
        {"Holiday_%D", "You have not specifed where the index should go (%d)."},
        {"sub/Holiday_%d", "A file name cannot contain '/'."},
    };
    for (const Case& c : cases) {
        TRenameFilesDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rename Files"));
        EXPECT_EQ(dialog.FileNameEdit()->text(), QStringLiteral("%d"));
        dialog.show();
        dialog.setResult(QDialog::Rejected);
        QStringList boxes;
        EXPECT_EQ(tryOk(dialog, dialog.FileNameEdit(), QString::fromUtf8(c.text), boxes), c.box == nullptr) << c.text;
        EXPECT_EQ(boxes, c.box == nullptr ? QStringList() : QStringList{QString::fromUtf8(c.box)}) << c.text;
    }
    TRenameFilesDialog dialog;
    const auto* label = dialog.findChild<QLabel*>(QStringLiteral("TemplateLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().split(u'\n'),
              (QStringList{"Enter a template name to rename files to.", "",
                           "Use %d to indicate where the file index should be added",
                           "e.g. If 'Name_%d' was used then the first file in the",
                           "directory would be renamed 'Name_01' plus any extension."}));
}

} // namespace
} // namespace vellum
