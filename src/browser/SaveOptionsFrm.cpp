#include "browser/SaveOptionsFrm.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vellum {

TSaveOptionsForm::TSaveOptionsForm(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Save Options"));
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    layout->addWidget(m_pages);

    auto* gif = new QWidget;
    auto* gifLayout = new QVBoxLayout(gif);
    auto* transparency = new QGroupBox(QStringLiteral("Transparency settings"), gif);
    auto* transparencyLayout = new QVBoxLayout(transparency);
    const char* choices[] = {"Maintain original file's transparency information",
                             "Do not save any transparency information",
                             "Set the transparency value to the background colour"};
    for (int i = 0; i < 3; ++i) {
        m_transparency[i] = new QRadioButton(QString::fromLatin1(choices[i]), transparency);
        transparencyLayout->addWidget(m_transparency[i]);
    }
    m_transparency[0]->setChecked(true);
    gifLayout->addWidget(transparency);
    gifLayout->addWidget(new QGroupBox(QStringLiteral("Colour reduction"), gif), 1);

    auto* jpg = new QWidget;
    auto* jpgLayout = new QVBoxLayout(jpg);
    auto* general = new QGroupBox(QStringLiteral("General"), jpg);
    auto* generalLayout = new QHBoxLayout(general);
    generalLayout->addWidget(new QLabel(QStringLiteral("Compression Level"), general));
    m_compression = new QSpinBox(general);
    m_compression->setRange(1, 99);
    m_compression->setValue(1);
    generalLayout->addWidget(m_compression);
    generalLayout->addStretch(1);
    jpgLayout->addWidget(general);
    jpgLayout->addStretch(1);

    m_pages->addTab(gif, QStringLiteral("GIF"));
    m_pages->addTab(jpg, QStringLiteral("JPG"));
    m_pages->setCurrentIndex(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace vellum
