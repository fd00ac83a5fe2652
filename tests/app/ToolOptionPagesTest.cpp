#include "app/ToolOptionPages.h"

#include <functional>
#include <vector>

#include <QComboBox>
#include <QString>

#include <gtest/gtest.h>

#include "controls/WholeNumberBox.h"
#include "support/FailingAllocator.h"

namespace vellum {
namespace {

TEST(ToolOptionPages, APenShapeThatCannotBeMadeShowsTheErrorAndKeepsThePen)
{
    TToolSettings settings;
    TToolOptionPages pages(settings);
    pages.StartPen();
    pages.StartSpecialPen();
    pages.StartSprayCan();
    // A pen wider than a pixel: its shapes are drawn.
    pages.findChild<TWholeNumberBox*>(QStringLiteral("PenWidthSpin"))->setValue(5);
    ASSERT_EQ(settings.PenShape.Width(), 5);
    std::vector<QString> errors;
    const auto shown = TToolOptionPages::ShowError;
    TToolOptionPages::ShowError = [&errors](QWidget*, const QString& message) { errors.push_back(message); };
    struct Case {
        const char* control;
        std::function<void(QWidget*)> change;
        std::function<int()> width;
        std::function<int()> shapeWidth;
    };
    auto widthTo9 = [](QWidget* control) { static_cast<TWholeNumberBox*>(control)->setValue(9); };
    auto triangle = [](QWidget* control) { static_cast<QComboBox*>(control)->setCurrentIndex(2); };
    const Case cases[] = {
        {"PenWidthSpin", widthTo9, [&] { return settings.PenWidth; }, [&] { return settings.PenShape.Width(); }},
        {"PenShapeCombo", triangle, [&] { return settings.PenWidth; }, [&] { return settings.PenShape.Width(); }},
        {"SpecPenWidthSpin", widthTo9, [&] { return settings.SpecialPen.Width; },
         [&] { return settings.SpecialPen.Shape.Width(); }},
        {"SprayCanWidthSpin", widthTo9, [&] { return settings.SprayCan.Width; },
         [&] { return settings.SprayCan.Shape.Width(); }},
    };
    for (const Case& c : cases) {
        auto* control = pages.findChild<QWidget*>(QLatin1String(c.control));
        ASSERT_NE(control, nullptr) << c.control;
        const int width = c.width();
        errors.clear();
        {
            // Drawing the shape needs a paint engine: that allocation fails.
            const test::TFailingAllocations failing(1024);
            EXPECT_NO_THROW(c.change(control)) << c.control;
            EXPECT_GT(failing.Refused(), 0) << c.control;
        }
        EXPECT_EQ(errors, std::vector<QString>{QStringLiteral("Out of memory")}) << c.control;
        // The pen in force is the old one, its shape and width in step.
        EXPECT_EQ(c.width(), width) << c.control;
        EXPECT_EQ(c.shapeWidth(), width) << c.control;
    }
    TToolOptionPages::ShowError = shown;
}

} // namespace
} // namespace vellum
