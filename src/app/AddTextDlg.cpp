#include "app/AddTextDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QVBoxLayout>

namespace vellum {

namespace {

enum TStyle { stRegular, stItalic, stBold, stBoldItalic };

QColor qtColour(TColor colour)
{
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// The popup's entries, drawn on one line each.
class OneLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        TRecentTextBox::PaintOneLine(*painter, opt.rect.adjusted(3, 0, -3, 0), text);
        painter->restore();
    }
};

} // namespace

// --- the recent-text list -------------------------------------------------------------------------

TRecentTextBox::TRecentTextBox(QWidget* parent)
    : QComboBox(parent)
{
    setItemDelegate(new OneLineDelegate(this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
}

void TRecentTextBox::PaintOneLine(QPainter& painter, const QRect& rect, const QString& text)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int baseline = rect.top() + (rect.height() + metrics.ascent() - metrics.descent()) / 2;
    int x = rect.left();
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    painter.save();
    painter.setClipRect(rect);
    for (qsizetype i = 0; i < lines.size() && x < rect.right(); ++i) {
        if (i > 0) {
            // A return arrow, ArrowWidth wide: down from the top right, then left to a head.
            const int top = baseline - metrics.ascent() / 2 - 2;
            const int bottom = baseline - 1;
            const QColor colour = painter.pen().color();
            painter.drawLine(x + 8, top, x + 8, bottom);
            painter.drawLine(x + 8, bottom, x + 1, bottom);
            QPainterPath head;
            head.moveTo(x + 1, bottom);
            head.lineTo(x + 4, bottom - 3);
            head.lineTo(x + 4, bottom + 3);
            head.closeSubpath();
            painter.fillPath(head, colour);
            x += ArrowWidth;
        }
        painter.drawText(QPoint(x, baseline), lines[i]);
        x += metrics.horizontalAdvance(lines[i]);
    }
    painter.restore();
}

void TRecentTextBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QString text = option.currentText;
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setPen(palette().color(QPalette::ButtonText));
    PaintOneLine(painter, field.adjusted(2, 0, -2, 0), text);
}

// --- the dialog -----------------------------------------------------------------------------------

TAddTextDialog::TAddTextDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add Text"));
    setObjectName(QStringLiteral("AddTextDialog"));

    m_family = new QFontComboBox(this);
    m_style = new QComboBox(this);
    m_style->addItems({QStringLiteral("Regular"), QStringLiteral("Italic"), QStringLiteral("Bold"),
                       QStringLiteral("Bold Italic")});
    m_size = new QSpinBox(this);
    m_size->setRange(1, 1638);
    m_size->setValue(8);
    m_underline = new QCheckBox(QStringLiteral("&Underline"), this);
    m_strikeOut = new QCheckBox(QStringLiteral("Stri&keout"), this);
    m_colourButton = new QPushButton(QStringLiteral("&Colour..."), this);
    connect(m_colourButton, &QPushButton::clicked, this, [this] { chooseColour(); });
    showColour();

    auto* fontForm = new QFormLayout;
    fontForm->addRow(QStringLiteral("&Font:"), m_family);
    fontForm->addRow(QStringLiteral("Font st&yle:"), m_style);
    fontForm->addRow(QStringLiteral("&Size:"), m_size);
    auto* effects = new QHBoxLayout;
    effects->addWidget(m_underline);
    effects->addWidget(m_strikeOut);
    effects->addWidget(m_colourButton);
    fontForm->addRow(QStringLiteral("Effects:"), effects);

    m_textBox = new QPlainTextEdit(this);
    m_textBox->setObjectName(QStringLiteral("TextBox"));
    m_textBox->setTabChangesFocus(true);
    m_textBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_textBox->installEventFilter(this);
    connect(m_textBox, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling)
            m_text = m_textBox->toPlainText();
    });

    m_recentBox = new TRecentTextBox(this);
    m_recentBox->setObjectName(QStringLiteral("RecentTexts"));
    connect(m_recentBox, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_recent.size())
            SetText(m_recent[index]);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fontForm);
    auto* textLabel = new QLabel(QStringLiteral("&Text:"), this);
    textLabel->setBuddy(m_textBox);
    layout->addWidget(textLabel);
    layout->addWidget(m_textBox, 1);
    auto* recentLabel = new QLabel(QStringLiteral("&Recent texts:"), this);
    recentLabel->setBuddy(m_recentBox);
    layout->addWidget(recentLabel);
    layout->addWidget(m_recentBox);
    layout->addWidget(buttons);
    resize(420, 380);
}

bool TAddTextDialog::Execute()
{
    m_filling = true;
    m_textBox->setPlainText(m_text);
    m_filling = false;
    fillRecentBox();
    m_textBox->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    if (!m_text.isEmpty())
        AddRecentText(m_text);
    return true;
}

void TAddTextDialog::SetText(const QString& text)
{
    m_text = text;
    m_filling = true;
    m_textBox->setPlainText(text);
    m_filling = false;
}

void TAddTextDialog::SetRecentTexts(const QStringList& texts)
{
    m_recent = texts;
    while (m_recent.size() > m_maxRecent)
        m_recent.removeLast();
    fillRecentBox();
}

void TAddTextDialog::AddRecentText(const QString& text)
{
    for (qsizetype i = 0; i < m_recent.size(); ++i) {
        if (m_recent[i].compare(text, Qt::CaseInsensitive) == 0) {
            m_recent.removeAt(i);
            break;
        }
    }
    m_recent.prepend(text);
    while (m_recent.size() > m_maxRecent)
        m_recent.removeLast();
    fillRecentBox();
}

void TAddTextDialog::SetMaxRecentTexts(int count)
{
    m_maxRecent = count & 0xFF;
    SetRecentTexts(m_recent);
}

void TAddTextDialog::fillRecentBox()
{
    m_recentBox->clear();
    m_recentBox->addItems(m_recent);
    m_recentBox->setCurrentIndex(m_recent.isEmpty() ? -1 : 0);
}

TFont TAddTextDialog::Font() const
{
    TFont font;
    font.Name = m_family->currentFont().family();
    font.Size = m_size->value();
    const int style = m_style->currentIndex();
    font.Bold = style == stBold || style == stBoldItalic;
    font.Italic = style == stItalic || style == stBoldItalic;
    font.Underline = m_underline->isChecked();
    font.StrikeOut = m_strikeOut->isChecked();
    font.Color = m_colour;
    return font;
}

void TAddTextDialog::SetFont(const TFont& font)
{
    m_family->setCurrentFont(QFont(font.Name));
    m_size->setValue(font.Size);
    m_style->setCurrentIndex(font.Bold ? (font.Italic ? stBoldItalic : stBold) : (font.Italic ? stItalic : stRegular));
    m_underline->setChecked(font.Underline);
    m_strikeOut->setChecked(font.StrikeOut);
    m_colour = font.Color;
    showColour();
}

void TAddTextDialog::showColour()
{
    QPixmap swatch(16, 16);
    swatch.fill(qtColour(m_colour));
    m_colourButton->setIcon(QIcon(swatch));
}

void TAddTextDialog::chooseColour()
{
    const QColor chosen = QColorDialog::getColor(qtColour(m_colour), this, QStringLiteral("Colour"));
    if (!chosen.isValid())
        return;
    m_colour = RGBColor(chosen.red(), chosen.green(), chosen.blue());
    showColour();
}

bool TAddTextDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_textBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // Enter adds an empty line at the end; it does not confirm the dialog.
            m_textBox->appendPlainText(QString());
            m_textBox->moveCursor(QTextCursor::End);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TrimmedAddText(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0) {
        const QChar c = text[end - 1];
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            break;
        --end;
    }
    return text.left(end);
}

} // namespace vellum
