// The controls: command button, label, text box, list box, combo box, and control arrays.
//
// A control is a member of its window, made with the window as its parent and placed in twips
// during the window's design. Its run-time properties read and write like fields
// (`txtTev.Text = strTev;`); its events call the window's handlers through RaiseEvent, so an
// error that a handler does not trap ends the program (Events.h).
//
// Lists: a ListBox or ComboBox holds at most 32767 entries; a ListBox's are addressed by a 16-bit
// index from 0.
// A sorted list keeps its entries in ascending order of their whole text, ignoring case for
// letters, with entries that differ only in case ordered by character code; so entries that
// share a leading part are ordered by what follows it, compared as text ("X 100" < "X 99").
#pragma once

#include "Form.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QStringListModel;
class QWidget;

namespace forms {

namespace detail {
class PictureButton;
class SortedListModel;
class LookupCombo;
} // namespace detail

class CommandButton : public Control
{
    void setCaption(String caption);
    String caption() const;

public:
    explicit CommandButton(Form *form, const char *name = "");

    Property<CommandButton, String, &CommandButton::setCaption, &CommandButton::caption> Caption{
            this};

    // Design time: the picture style, the picture (if any) centred at its own size with the
    // caption beneath, on backColor. Without it the button is the platform's own.
    void setPictureStyle(const QColor &backColor, const String &picture = {});

    template<typename F>
    void OnClick(F *form, void (F::*handler)())
    {
        m_click = [form, handler] { (form->*handler)(); };
    }
    void OnClick(std::function<void()> handler) { m_click = std::move(handler); }

private:
    detail::PictureButton *button() const;
    std::function<void()> m_click;
};

class Label : public Control
{
    void setCaption(String caption);
    String caption() const;

public:
    explicit Label(Form *form, const char *name = "");

    Property<Label, String, &Label::setCaption, &Label::caption> Caption{this};

    void setForeColor(const QColor &color);
    void setFont(const String &family, int points, bool bold);
    // The label stands on this background: without a text colour of its own, it takes the one
    // that reads on it.
    void standOn(const QColor &background) override;
    // The control this label names: a screen reader speaks the caption as its name.
    void setLabelFor(Control &control);

private:
    Control *m_labelFor = nullptr;
    bool m_ownForeColor = false;
};

class TextBox : public Control
{
    void setText(String text);
    String text() const;

public:
    explicit TextBox(Form *form, const char *name = "");

    Property<TextBox, String, &TextBox::setText, &TextBox::text> Text{this};
};

class ListBox : public Control
{
public:
    explicit ListBox(Form *form, const char *name = "");

    // Adds text at the end. A full list (32767 entries) refuses with error 7.
    void AddItem(const String &text);
    Integer ListCount() const;
    // Entry index, counted from 0; an index the list does not hold raises error 381.
    String List(Integer index) const;

private:
    QStringListModel *m_model; // owned by the widget
};

class ComboBox : public Control
{
    void setText(String text);
    String text() const;

public:
    explicit ComboBox(Form *form, const char *name = "");

    // Text reads the whole text of the entry last picked, while the edit field shows only its
    // visible part; once the user types or the program writes Text, it reads the edit field.
    Property<ComboBox, String, &ComboBox::setText, &ComboBox::text> Text{this};

    // Adds an entry in its place in the sorted order. A full list (32767 entries) refuses with
    // error 7.
    void AddItem(const String &text);
    void Clear();

    // Design time. A sorted drop-down combo has an edit field that the user may type into;
    // typing adds no entry and picks nothing. Only the first visibleLength characters of an
    // entry, without their trailing spaces, are ever shown or spoken; the rest is the window's
    // own data.
    void setVisibleLength(int visibleLength);

    void OnClick(std::function<void()> handler) { m_click = std::move(handler); }
    void OnDropDown(std::function<void()> handler) { m_dropDown = std::move(handler); }

private:
    // Sorts entries that wait into their places (see SortedListModel): before the box is drawn,
    // opened or used in any way, that is, before it handles any event.
    void settle() const;
    detail::LookupCombo *combo() const;
    detail::SortedListModel *m_model = nullptr; // owned by the widget
    std::function<void()> m_click;
    std::function<void()> m_dropDown;
    String m_pickedText;
    bool m_picked = false;
};

// Members addressed by a 16-bit index from 0; their events pass the member's Index.
template<typename T>
class ControlArray
{
public:
    // Each member is named after the array, with its index: "cmdType(6)".
    ControlArray(Form *form, Integer count, const char *name = "")
    {
        for (Integer i = 0; i < count; ++i) {
            const std::string member = *name ? name + ("(" + std::to_string(i) + ")") : "";
            m_members.push_back(std::make_unique<T>(form, member.c_str()));
        }
    }

    // The member with this index; error 340 when there is none.
    T &operator[](Integer index) const
    {
        if (index < 0 || index >= Count())
            throw Error(ErrNoSuchElement);
        return *m_members[static_cast<size_t>(index)];
    }
    Integer Count() const { return static_cast<Integer>(m_members.size()); }

    template<typename F>
    void OnClick(F *form, void (F::*handler)(Integer Index))
    {
        for (Integer i = 0; i < Count(); ++i)
            m_members[size_t(i)]->OnClick([form, handler, i] { (form->*handler)(i); });
    }

    template<typename F>
    void OnDropDown(F *form, void (F::*handler)(Integer Index))
    {
        for (Integer i = 0; i < Count(); ++i)
            m_members[size_t(i)]->OnDropDown([form, handler, i] { (form->*handler)(i); });
    }

private:
    std::vector<std::unique_ptr<T>> m_members;
};

} // namespace forms
