#include "app/ToolOptionPages.h"

#include <new>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/WholeNumberBox.h"
#include "controls/XGraphicCtrls.h"
#include "raster/PenMask.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

constexpr int IconSide = 16;

// Our own list pictures, drawn once in black on transparent.
QIcon Glyph(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(IconSide, IconSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    draw(painter);
    return QIcon(pixmap);
}

QIcon PenShapeIcon(int shape)
{
    return Glyph([shape](QPainter& p) {
        switch (shape) {
        case 0: p.drawEllipse(QRect(3, 3, 9, 9)); break;
        case 1: p.drawRect(QRect(3, 3, 9, 9)); break;
        case 2: p.drawPolygon(QPolygon({QPoint(8, 2), QPoint(14, 13), QPoint(2, 13)})); break;
        case 3: p.setPen(QPen(Qt::black, 2)); p.drawLine(3, 3, 12, 12); break;
        default: p.setPen(QPen(Qt::black, 2)); p.drawLine(12, 3, 3, 12); break;
        }
    });
}

QIcon ShapeKindIcon(int kind)
{
    return Glyph([kind](QPainter& p) {
        p.setBrush(Qt::NoBrush);
        switch (kind) {
        case 0: p.drawLine(2, 13, 13, 2); break;
        case 1: p.drawRect(QRect(3, 3, 9, 9)); break;
        case 2: p.drawRect(QRect(1, 4, 13, 7)); break;
        case 3: p.drawEllipse(QRect(2, 2, 11, 11)); break;
        default: p.drawEllipse(QRect(1, 4, 13, 7)); break;
        }
    });
}

QIcon SpecialActionIcon(int action)
{
    return Glyph([action](QPainter& p) {
        switch (action) {
        case 0: // one colour over another
            p.fillRect(QRect(1, 1, 9, 9), Qt::red);
            p.fillRect(QRect(6, 6, 9, 9), Qt::blue);
            break;
        case 1: { // a smear
            QPainterPath path(QPointF(1, 10));
            path.cubicTo(5, 2, 9, 16, 14, 6);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::darkGray, 3));
            p.drawPath(path);
            break;
        }
        case 2: // light
            p.setBrush(Qt::yellow);
            p.drawEllipse(QRect(3, 3, 9, 9));
            break;
        default: // dark
            p.setBrush(Qt::darkBlue);
            p.drawEllipse(QRect(3, 3, 9, 9));
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRect(7, 1, 9, 9));
            break;
        }
    });
}

QIcon SwatchIcon(TColor colour)
{
    return Glyph([colour](QPainter& p) {
        p.setBrush(QColorOfValue(colour));
        p.drawRect(QRect(1, 1, 13, 13));
    });
}

const char* const PenShapeNames[] = {"Round", "Square", "Triangle", "Left Slash", "Right Slash"};

// A list index as a pen-shape number: any other index counts as 0 ("Round").
int ShapeNumber(const QComboBox* combo)
{
    const int index = combo->currentIndex();
    return index >= 0 && index <= 4 ? index : 0;
}

TWholeNumberBox* NumberBox(const char* name, int minimum, int maximum, int value)
{
    auto* box = new TWholeNumberBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

QComboBox* List(const char* name, const QStringList& items)
{
    auto* combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setCurrentIndex(0);
    return combo;
}

// A control with its caption centred above it.
QLabel* AddCaptioned(QHBoxLayout* row, const QString& caption, QWidget* control)
{
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    auto* label = new QLabel(caption);
    label->setAlignment(Qt::AlignHCenter);
    label->setBuddy(control);
    column->addWidget(label);
    column->addWidget(control);
    row->addLayout(column);
    return label;
}

} // namespace

QWidget* TToolOptionPages::addPage(TPage page)
{
    auto* widget = new QWidget;
    static const char* const names[] = {"FillPage", "MagicWandPage", "PenPage", "SelectionPage", "ShapesPage",
                                        "SprayCanPage", "ZoomPage", "SpecialPenPage", "EmptyPage"};
    widget->setObjectName(QLatin1String(names[page]));
    auto* row = new QHBoxLayout(widget);
    row->setContentsMargins(4, 0, 4, 0);
    insertWidget(page, widget);
    return widget;
}

TToolOptionPages::TToolOptionPages(TToolSettings& settings, QWidget* parent)
    : QStackedWidget(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("ToolOptionPages"));
    auto rowOf = [](QWidget* page) { return static_cast<QHBoxLayout*>(page->layout()); };

    QWidget* fill = addPage(pgFill);
    m_fillTolerance = NumberBox("FillTolerSpin", 0, 255, 0);
    AddCaptioned(rowOf(fill), QStringLiteral("Tolerance"), m_fillTolerance);

    QWidget* wand = addPage(pgMagicWand);
    m_wandTolerance = NumberBox("MagicWandTolerSpin", 0, 255, 0);
    AddCaptioned(rowOf(wand), QStringLiteral("Tolerance"), m_wandTolerance);

    QStringList shapeNames;
    for (const char* name : PenShapeNames)
        shapeNames << QLatin1String(name);
    QWidget* pen = addPage(pgPen);
    m_penWidth = NumberBox("PenWidthSpin", 1, 500, 1);
    m_penShape = List("PenShapeCombo", shapeNames);
    for (int i = 0; i < 5; ++i)
        m_penShape->setItemIcon(i, PenShapeIcon(i));
    AddCaptioned(rowOf(pen), QStringLiteral("Width"), m_penWidth);
    AddCaptioned(rowOf(pen), QStringLiteral("Shape"), m_penShape);

    QWidget* selection = addPage(pgSelection);
    m_transSel = new QToolButton;
    m_transSel->setObjectName(QStringLiteral("TransSelBtn"));
    m_transSel->setCheckable(true);
    m_transSel->setToolTip(QStringLiteral("Transparent selection"));
    m_transSel->setIcon(Glyph([](QPainter& p) {
        // A selection frame over a checkerboard: see-through.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                p.fillRect(QRect(x * 4, y * 4, 4, 4), (x + y) % 2 ? Qt::lightGray : Qt::white);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(QRect(1, 1, 13, 13));
    }));
    rowOf(selection)->addWidget(m_transSel, 0, Qt::AlignBottom);
    m_transCol = List("TransColCombo", {QStringLiteral("Foreground Colour"), QStringLiteral("Background Colour")});
    m_transCol->setToolTip(QStringLiteral("Transparent selection colour"));
    m_transColLabel = AddCaptioned(rowOf(selection), QStringLiteral("Transparent colour"), m_transCol);

    QWidget* shapes = addPage(pgShapes);
    m_shapeWidth = NumberBox("ShapeWidthSpin", 1, 500, 1);
    m_shapeShape = List("ShapeShapeCombo", {QStringLiteral("Line"), QStringLiteral("Square"), QStringLiteral("Rectangle"),
                                            QStringLiteral("Circle"), QStringLiteral("Ellipse")});
    for (int i = 0; i < 5; ++i)
        m_shapeShape->setItemIcon(i, ShapeKindIcon(i));
    m_shapeStyle = List("ShapeStyleCombo", {QStringLiteral("Outlined"), QStringLiteral("Filled")});
    AddCaptioned(rowOf(shapes), QStringLiteral("Border"), m_shapeWidth);
    AddCaptioned(rowOf(shapes), QStringLiteral("Shape"), m_shapeShape);
    AddCaptioned(rowOf(shapes), QStringLiteral("Style"), m_shapeStyle);

    QWidget* spray = addPage(pgSprayCan);
    m_sprayWidth = NumberBox("SprayCanWidthSpin", 1, 500, 60);
    m_sprayOpacity = NumberBox("SprayCanOpacitySpin", 0, 100, 60);
    m_sprayDiffusion = NumberBox("SprayCanDiffusionSpin", 0, 100, 0);
    AddCaptioned(rowOf(spray), QStringLiteral("Width"), m_sprayWidth);
    AddCaptioned(rowOf(spray), QStringLiteral("Opacity"), m_sprayOpacity);
    AddCaptioned(rowOf(spray), QStringLiteral("Diffusion"), m_sprayDiffusion);

    QWidget* zoom = addPage(pgZoom);
    QStringList zooms;
    for (int z = 1; z <= 15; ++z)
        zooms << QStringLiteral("%1:1").arg(z);
    m_zoom = List("ZoomCombo", zooms);
    m_zoom->setMaxVisibleItems(15);
    AddCaptioned(rowOf(zoom), QStringLiteral("Zoom"), m_zoom);

    QWidget* special = addPage(pgSpecialPen);
    m_specPenAction = List("SpecPenActionCombo", {QStringLiteral("Colour Replace"), QStringLiteral("Smudge"),
                                                  QStringLiteral("Brighten"), QStringLiteral("Darken")});
    for (int i = 0; i < 4; ++i)
        m_specPenAction->setItemIcon(i, SpecialActionIcon(i));
    m_specPenWidth = NumberBox("SpecPenWidthSpin", 1, 500, 1);
    m_specPenShape = List("SpecPenShapeCombo", shapeNames);
    for (int i = 0; i < 5; ++i)
        m_specPenShape->setItemIcon(i, PenShapeIcon(i));
    m_specPenSetting1 = NumberBox("SpecPenSetting1Spin", 0, 255, 0);
    AddCaptioned(rowOf(special), QStringLiteral("Action"), m_specPenAction);
    AddCaptioned(rowOf(special), QStringLiteral("Width"), m_specPenWidth);
    AddCaptioned(rowOf(special), QStringLiteral("Shape"), m_specPenShape);
    m_specPenSettingsLabel = AddCaptioned(rowOf(special), QStringLiteral("Tolerance"), m_specPenSetting1);
    m_specPenSettingsLabel->setObjectName(QStringLiteral("SpecPenSettingsLabel"));

    addPage(pgNone);
    for (int i = 0; i < count(); ++i)
        static_cast<QHBoxLayout*>(widget(i)->layout())->addStretch(1);

    // Reactions.
    connect(m_fillTolerance, &QSpinBox::valueChanged, this, [this](int v) { m_settings.FillTolerance = v; });
    connect(m_wandTolerance, &QSpinBox::valueChanged, this, [this](int v) { m_settings.WandTolerance = v; });
    connect(m_sprayOpacity, &QSpinBox::valueChanged, this, [this](int v) { m_settings.SprayCan.Opacity = v; });
    connect(m_sprayDiffusion, &QSpinBox::valueChanged, this, [this](int v) { m_settings.SprayCan.Diffusion = v; });
    connect(m_shapeWidth, &QSpinBox::valueChanged, this, [this](int v) { m_settings.ShapeWidth = v; });
    // Building a pen's shape can fail (memory): those reactions run guarded.
    connect(m_penWidth, &QSpinBox::valueChanged, this, [this](int v) { guarded([&] { setPen(v); }); });
    connect(m_penShape, &QComboBox::currentIndexChanged, this, [this] { guarded([&] { setPen(m_settings.PenWidth); }); });
    connect(m_specPenWidth, &QSpinBox::valueChanged, this, [this](int v) { guarded([&] { setSpecialPen(v); }); });
    connect(m_specPenShape, &QComboBox::currentIndexChanged, this,
            [this] { guarded([&] { setSpecialPen(m_settings.SpecialPen.Width); }); });
    connect(m_sprayWidth, &QSpinBox::valueChanged, this, [this](int v) { guarded([&] { setSpray(v); }); });
    connect(m_shapeShape, &QComboBox::currentIndexChanged, this, [this](int index) {
        guarded([&] {
            m_settings.ShapeKind = static_cast<TShapeKind>(index >= 0 && index <= 4 ? index : 0);
            if (OnShapeChange)
                OnShapeChange();
        });
    });
    connect(m_shapeStyle, &QComboBox::currentIndexChanged, this, [this](int index) {
        guarded([&] {
            m_settings.ShapeFilled = index == 1;
            if (OnShapeChange)
                OnShapeChange();
        });
    });
    connect(m_specPenAction, &QComboBox::currentIndexChanged, this, [this](int index) { specialPenActionChanged(index); });
    connect(m_specPenSetting1, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_switchingSetting)
            return;
        if (m_settings.SpecialPen.Smudge)
            m_settings.SpecialPen.Opacity = v;
        else
            m_settings.SpecialPen.Tolerance = v;
    });
    connect(m_transSel, &QToolButton::toggled, this, [this](bool down) { transparentButtonToggled(down); });
    connect(m_transCol, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_settings.TransparentIsFore = index == 0; });
    connect(m_zoom, &QComboBox::activated, this, [this](int index) {
        if (OnZoomChosen)
            OnZoomChosen(index + 1);
    });
    // The options take the keyboard only when clicked: a box holding the focus from start-up
    // would swallow the main window's shortcuts (Ctrl+C copies its text, not the picture).
    for (QWidget* control : findChildren<QWidget*>())
        if (control->focusPolicy() != Qt::NoFocus)
            control->setFocusPolicy(Qt::ClickFocus);
    ShowPage(pgPen);
}

void TToolOptionPages::ShowPage(TPage page)
{
    // Only the shown page asks for room: the Tools bar on the same row keeps its buttons.
    for (int i = 0; i < count(); ++i)
        widget(i)->setSizePolicy(i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                 i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    setCurrentIndex(page);
    updateGeometry();
}

std::function<void(QWidget* parent, const QString& message)> TToolOptionPages::ShowError =
    [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, QStringLiteral("Error"), message, QMessageBox::Ok);
    };

void TToolOptionPages::guarded(const std::function<void()>& body)
{
    // No exception may reach Qt's event loop.
    try {
        body();
    } catch (const std::bad_alloc&) {
        ShowError(this, EOutOfMemory().message());
    } catch (const std::exception& e) {
        ShowError(this, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(this, QStringLiteral("Unexpected error"));
    }
}

namespace {

// The shape is made aside and the width set with it: a shape that cannot be made leaves the
// pen as it was, its shape and width in step.
void setShapeAndWidth(TXBitmap& shape, int& widthField, int kind, int width)
{
    TXBitmap made;
    BuildPenShape(made, kind, width);
    shape = std::move(made);
    widthField = width;
}

} // namespace

void TToolOptionPages::setPen(int width)
{
    setShapeAndWidth(m_settings.PenShape, m_settings.PenWidth, ShapeNumber(m_penShape), width);
}

void TToolOptionPages::setSpecialPen(int width)
{
    setShapeAndWidth(m_settings.SpecialPen.Shape, m_settings.SpecialPen.Width, ShapeNumber(m_specPenShape), width);
}

void TToolOptionPages::setSpray(int width)
{
    setShapeAndWidth(m_settings.SprayCan.Shape, m_settings.SprayCan.Width, PenShapeRound, width);
}

void TToolOptionPages::specialPenActionChanged(int index)
{
    const bool replace = index <= 0;
    m_settings.SpecialPen.Smudge = !replace;
    m_specPenSettingsLabel->setText(replace ? QStringLiteral("Tolerance") : QStringLiteral("Opacity"));
    // The range first, then the value: a value set into the old range would be clamped by it
    // (a tolerance of 200 into the 0-to-100 box) and written back as the user's choice.
    m_switchingSetting = true;
    m_specPenSetting1->setMaximum(replace ? 255 : 100);
    m_specPenSetting1->setValue(replace ? m_settings.SpecialPen.Tolerance : m_settings.SpecialPen.Opacity);
    m_switchingSetting = false;
}

void TToolOptionPages::transparentButtonToggled(bool down)
{
    m_settings.TransparentSelection = down;
    m_transColLabel->setEnabled(down);
    m_transCol->setEnabled(down);
    // The list's field in the window colour when enabled, the button face when not.
    QPalette palette = m_transCol->palette();
    palette.setColor(QPalette::Base, palette.color(down ? QPalette::Window : QPalette::Button));
    m_transCol->setPalette(palette);
}

void TToolOptionPages::StartPen()
{
    m_settings.PenWidth = 1;
    m_penWidth->setValue(1);
    m_penShape->setCurrentIndex(0);
    setPen(m_settings.PenWidth);
}

void TToolOptionPages::StartSpecialPen()
{
    m_settings.SpecialPen.Width = 1;
    m_specPenWidth->setValue(1);
    m_settings.SpecialPen.Opacity = 40;
    m_settings.SpecialPen.Tolerance = 0;
    m_specPenAction->setCurrentIndex(0);
    specialPenActionChanged(0);
    m_specPenShape->setCurrentIndex(0);
    setSpecialPen(m_settings.SpecialPen.Width);
}

void TToolOptionPages::StartSprayCan()
{
    m_settings.SprayCan.Interval = 10;
    m_sprayWidth->setValue(60);
    m_sprayOpacity->setValue(60);
    m_sprayDiffusion->setValue(0);
    m_settings.SprayCan.Width = m_sprayWidth->value();
    m_settings.SprayCan.Opacity = m_sprayOpacity->value();
    m_settings.SprayCan.Diffusion = m_sprayDiffusion->value();
    setSpray(m_settings.SprayCan.Width);
}

void TToolOptionPages::SetTransparentColours(TColor fore, TColor back)
{
    SetForeItemColour(fore);
    SetBackItemColour(back);
    m_transCol->setCurrentIndex(1);
    m_settings.TransparentIsFore = false;
    m_transSel->setChecked(false);
    transparentButtonToggled(false);
}

void TToolOptionPages::SetForeItemColour(TColor fore)
{
    m_transCol->setItemIcon(0, SwatchIcon(fore));
    m_transCol->setItemData(0, fore);
}

void TToolOptionPages::SetBackItemColour(TColor back)
{
    m_transCol->setItemIcon(1, SwatchIcon(back));
    m_transCol->setItemData(1, back);
}

void TToolOptionPages::ShowZoom(int zoom)
{
    if (zoom >= 1 && zoom <= 15)
        m_zoom->setCurrentIndex(zoom - 1);
}

} // namespace vellum
