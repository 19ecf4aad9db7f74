#include "Controls.h"

#include "Accessibility_p.h"
#include "Contrast_p.h"
#include "FixedWidthValue_p.h"
#include "LookupCombo_p.h"
#include "PictureButton_p.h"
#include "SortedListModel_p.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QStringListModel>

#include <algorithm>

namespace forms {

namespace {
constexpr qsizetype MaxListEntries = 32767;

void checkIndex(Integer index, qsizetype count)
{
    if (index < 0 || index >= count)
        throw Error(ErrInvalidIndex);
}
} // namespace

CommandButton::CommandButton(Form *form, const char *name)
    : Control(form, new detail::PictureButton(form->widget()), name)
{
    // Enter presses the focused button, as Space does.
    button()->setAutoDefault(true);
    QObject::connect(button(), &QPushButton::clicked, button(), [this] {
        // A hidden button takes no presses, not even from an assistive technology.
        if (!button()->isHidden())
            raise(m_click);
    });
}

detail::PictureButton *CommandButton::button() const
{
    return static_cast<detail::PictureButton *>(m_widget);
}

void CommandButton::setCaption(String caption)
{
    button()->setText(caption);
}

String CommandButton::caption() const
{
    return button()->text();
}

void CommandButton::setPictureStyle(const QColor &backColor, const String &picture)
{
    button()->setPictureStyle(backColor, picture);
}

Label::Label(Form *form, const char *name) : Control(form, new QLabel(form->widget()), name)
{
    auto *label = static_cast<QLabel *>(m_widget);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::NoFocus);
}

void Label::setCaption(String caption)
{
    static_cast<QLabel *>(m_widget)->setText(caption);
    if (m_labelFor)
        m_labelFor->setAccessibleName(caption);
}

String Label::caption() const
{
    return static_cast<QLabel *>(m_widget)->text();
}

void Label::setForeColor(const QColor &color)
{
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::WindowText, color);
    m_widget->setPalette(palette);
    m_ownForeColor = true;
}

void Label::standOn(const QColor &background)
{
    if (m_ownForeColor)
        return;
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::WindowText, detail::textColorOn(background));
    m_widget->setPalette(palette);
}

void Label::setFont(const String &family, int points, bool bold)
{
    QFont font(family, points, bold ? QFont::Bold : QFont::Normal);
    // Where the family is missing, a face of the same metrics stands in: Windows' scalable
    // successor of the classic face, or Liberation Sans, Arial or Nimbus Sans; else DejaVu Sans,
    // a wider face, condensed so that the caption keeps to its width.
    const QStringList alike = {family, QStringLiteral("Microsoft Sans Serif"),
                               QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                               QStringLiteral("Nimbus Sans")};
    if (std::any_of(alike.begin(), alike.end(), QFontDatabase::hasFamily)) {
        font.setFamilies(alike);
    } else {
        font.setFamilies({QStringLiteral("DejaVu Sans")});
        font.setStretch(QFont::Condensed);
    }
    font.setStyleHint(QFont::SansSerif);
    m_widget->setFont(font);
}

void Label::setLabelFor(Control &control)
{
    m_labelFor = &control;
    static_cast<QLabel *>(m_widget)->setBuddy(control.widget());
    control.setAccessibleName(caption());
}

TextBox::TextBox(Form *form, const char *name) : Control(form, new QLineEdit(form->widget()), name)
{
    detail::keepSelectionInValue(static_cast<QLineEdit *>(m_widget));
}

void TextBox::setText(String text)
{
    auto *edit = static_cast<QLineEdit *>(m_widget);
    const detail::ProgramTextChange change;
    edit->setText(text);
    // Show the start of the text, as a box that was just filled does.
    edit->setCursorPosition(0);
}

String TextBox::text() const
{
    return static_cast<QLineEdit *>(m_widget)->text();
}

ListBox::ListBox(Form *form, const char *name) : Control(form, new QListView(form->widget()), name)
{
    auto *view = static_cast<QListView *>(m_widget);
    m_model = new QStringListModel(view);
    view->setUniformItemSizes(true);
    view->setModel(m_model);
}

void ListBox::AddItem(const String &text)
{
    const int row = m_model->rowCount();
    if (row >= MaxListEntries)
        throw Error(ErrListFull);
    m_model->insertRows(row, 1);
    m_model->setData(m_model->index(row), text);
}

Integer ListBox::ListCount() const
{
    return Integer(m_model->rowCount());
}

String ListBox::List(Integer index) const
{
    checkIndex(index, m_model->rowCount());
    return m_model->index(index).data().toString();
}

ComboBox::ComboBox(Form *form, const char *name)
    : Control(form, new detail::LookupCombo(form->widget()), name)
{
    auto *box = combo();
    m_model = new detail::SortedListModel(box);
    box->setModel(m_model);
    box->setEditable(true);
    // Typing into the edit field must neither add nor pick an entry: no insertion on Enter,
    // no completer, and no matching of the typed text when editing finishes.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
    // Measuring every entry for the box's size hint is wasted work: the size is fixed.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(1);
    if (auto *view = qobject_cast<QListView *>(box->view())) {
        view->setUniformItemSizes(true);
        view->setTextElideMode(Qt::ElideRight);
    }

    QObject::connect(box, &detail::LookupCombo::entriesNeeded, box, [this] { settle(); });
    QObject::connect(box, &detail::LookupCombo::aboutToOpen, box, [this] { raise(m_dropDown); });
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, [this] { m_picked = false; });
    QObject::connect(box, &QComboBox::activated, box, [this](int row) {
        m_pickedText = m_model->entry(row);
        m_picked = true;
        detail::announcePick(m_widget, m_model->visiblePart(m_pickedText));
        raise(m_click);
    });
}

detail::LookupCombo *ComboBox::combo() const
{
    return static_cast<detail::LookupCombo *>(m_widget);
}

void ComboBox::setText(String text)
{
    m_picked = false;
    const detail::ProgramTextChange change;
    combo()->lineEdit()->setText(text);
    combo()->lineEdit()->setCursorPosition(0);
}

String ComboBox::text() const
{
    return m_picked ? m_pickedText : combo()->lineEdit()->text();
}

void ComboBox::AddItem(const String &text)
{
    if (m_model->count() >= MaxListEntries)
        throw Error(ErrListFull);
    // The entry waits aside until the list settles; the box sees no change before then.
    m_model->add(text);
}

void ComboBox::settle() const
{
    if (!m_model->hasPending())
        return;
    auto *box = combo();
    const QString editText = box->lineEdit()->text();
    const QSignalBlocker blocker(box);
    const detail::ProgramTextChange change;
    m_model->settle();
    // A model reset makes QComboBox pick the first entry and show it; a list only ever
    // shows what the user picked or typed.
    box->setCurrentIndex(-1);
    box->lineEdit()->setText(editText);
    box->lineEdit()->setCursorPosition(0);
}

void ComboBox::Clear()
{
    auto *box = combo();
    const QSignalBlocker blocker(box);
    const detail::ProgramTextChange change;
    m_model->clear();
    box->setCurrentIndex(-1);
    box->lineEdit()->clear();
    m_picked = false;
}

void ComboBox::setVisibleLength(int visibleLength)
{
    m_model->setVisibleLength(visibleLength);
}

} // namespace forms
