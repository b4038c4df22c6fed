// SPDX-License-Identifier: GPL-3.0-or-later
#include "NameEditor.h"

#include "common/Cp1252.h"
#include "common/Error.h"
#include "common/Profile.h"
#include "ui_NameEditor.h"

#include <QKeyEvent>
#include <QValidator>

namespace hv {

namespace {

const QString kSection = QStringLiteral("EditNameForm");

// Refuses text that Windows-1252 cannot hold, rather than letting it be
// stored as '?'.
class StorableNameValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override
    {
        return isStorableName(input) ? Acceptable : Invalid;
    }
};

} // namespace

bool isStorableName(const QString& name)
{
    return cp1252::decode(cp1252::encode(name)) == name;
}

NameEditor::NameEditor(NameEditBuffer& buffer, Profile& settings, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::NameEditor)
    , m_buffer(buffer)
    , m_settings(settings)
{
    ui->setupUi(this);
    // No border icons: the dialog ends with OK only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui->nameEdit->setMaxLength(kDiscNameLength);
    ui->nameEdit->setValidator(new StorableNameValidator(ui->nameEdit));
    connect(ui->okButton, &QPushButton::clicked, this, &NameEditor::storeAndClose);
    connect(ui->prevButton, &QPushButton::clicked, this, &NameEditor::previousName);
    connect(ui->nextButton, &QPushButton::clicked, this, &NameEditor::nextName);
    connect(ui->helpButton, &QPushButton::clicked, this, [this] { Q_EMIT helpRequested(kHelpContext); });
    load();
}

NameEditor::~NameEditor() = default;

void NameEditor::storeAndClose()
{
    store();
    accept();
}

void NameEditor::previousName()
{
    store();
    if (m_buffer.index > 0)
        --m_buffer.index;
    load();
}

void NameEditor::nextName()
{
    store();
    if (m_buffer.index >= 0 && m_buffer.index < m_buffer.count - 1)
        ++m_buffer.index;
    load();
}

void NameEditor::store()
{
    const QString text = ui->nameEdit->text().left(kDiscNameLength);
    if (!isStorableName(text))
        return; // only text set around the validator gets here
    if (m_buffer.index < 0)
        m_buffer.discName = text;
    else if (m_buffer.index < static_cast<int>(m_buffer.trackNames.size()))
        m_buffer.trackNames[static_cast<std::size_t>(m_buffer.index)] = text;
}

void NameEditor::load()
{
    const bool disc = m_buffer.index < 0 || m_buffer.index >= static_cast<int>(m_buffer.trackNames.size());
    if (disc) {
        ui->nameLabel->setText(QStringLiteral("CD Name"));
        ui->nameEdit->setText(m_buffer.discName);
    } else {
        ui->nameLabel->setText(QStringLiteral("Track %1 Name").arg(m_buffer.index + 1));
        ui->nameEdit->setText(m_buffer.trackNames[static_cast<std::size_t>(m_buffer.index)]);
    }
    ui->prevButton->setVisible(!disc);
    ui->nextButton->setVisible(!disc);
    ui->nameEdit->selectAll();
    ui->nameEdit->setFocus();
}

bool NameEditor::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        load();
    return QDialog::event(event);
}

void NameEditor::showEvent(QShowEvent* event)
{
    // showEvent comes again on every restore: place the window once.
    if (!m_placed) {
        m_placed = true;
        const int left = m_settings.readInteger(kSection, u"Left", 0);
        const int top = m_settings.readInteger(kSection, u"Top", 0);
        QPoint place = pos();
        if (left > 0)
            place.setX(left);
        if (top > 0)
            place.setY(top);
        move(place);
    }
    QDialog::showEvent(event);
}

void NameEditor::keyPressEvent(QKeyEvent* event)
{
    // No Cancel: Escape leaves the dialog open.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NameEditor::done(int result)
{
    if (m_placed) {
        try {
            Profile::Transaction place(m_settings);
            m_settings.writeInteger(kSection, u"Left", pos().x());
            m_settings.writeInteger(kSection, u"Top", pos().y());
            place.commit();
        } catch (const Error&) {
            // A place that cannot be kept is not worth a message.
        }
    }
    QDialog::done(result);
}

} // namespace hv
