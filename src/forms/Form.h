// Windows: the Form base class, the program-wide window instances, Unload, and the Control base
// class that every control of a window derives from.
//
// A window class derives from Form, holds its controls as members, places them in its
// constructor (its design) and overrides Form_Load and Form_QueryUnload. Each window has one
// program-wide instance, a GlobalForm, created and loaded on first reference:
//
//     forms::GlobalForm<MainMenuForm> frmMain;
//     frmMain->lstMain.AddItem(row);     // loads frmMain first if it is not loaded
//     frmSearch->Show();                 // loads, raises Form_Load, then shows, modeless
//     Unload(frmSearch);                 // QueryUnload, then destroys; nothing if not loaded
//
// Positions and sizes are in twips, 15 to a logical pixel; Qt's device-pixel ratio takes care of
// dense displays. When the last window is unloaded, the program ends. Once it has ended, a
// handler that references a window that is not loaded goes no further (Events.h).
//
// Unloading hides a window and takes it out of the program at once; the window itself, and
// with it the form (its Qt window owns it), is destroyed when control is back in the event
// loop, so a handler may unload its own window and go on running, and Qt may still be inside
// the control that raised the event.
#pragma once

#include "Events.h"
#include "Property.h"
#include "Text.h"

#include <QColor>

#include <functional>
#include <vector>

class QWidget;

namespace forms {

class Control;
class Form;
namespace detail {
class FormWindow;
}

// Why a window is being unloaded, as Form_QueryUnload receives it.
enum UnloadMode : Integer {
    vbFormControlMenu = 0, // the window's close box or system menu
    vbFormCode = 1, // Unload called by the program
};

// Twips to logical pixels: 15 twips make one pixel at 96 dots per inch.
int TwipsToPixels(Single twips);

// Ends the program: every loaded window is unloaded without further events, and Run returns
// status. Outside Run (in tests) the program is only marked as ended; the unloaded windows go
// when events are next processed.
void End(int status = 0);

// Where a program-wide window instance lives. GlobalForm<T> gives it its type.
class GlobalFormBase
{
protected:
    void load(Form *form);
    Form *m_form = nullptr;

    friend class Form;
};

template<typename T>
class GlobalForm : public GlobalFormBase
{
public:
    T *operator->() { return &instance(); }

    // The loaded window, loading a new one if there is none.
    T &instance()
    {
        if (!m_form) {
            detail::stopIfEnded();
            // A Load that ends the program unloads the window again; the object itself lives
            // on until events are processed, so a caller outside any handler may still use it.
            T *form = new T;
            load(form);
            return *form;
        }
        return *static_cast<T *>(m_form);
    }

    // The loaded window, or nullptr; never loads.
    T *loadedOrNull() const { return static_cast<T *>(m_form); }
};

class Form
{
    // Accessors behind the properties below; they must be declared before them.
    void setLeft(Single twips);
    void setTop(Single twips);
    void setCaption(String caption);
    String caption() const;

public:
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    // Shows the window modeless with no owner and returns at once.
    void Show();

    // Write only: where the window is, its Qt window says.
    Property<Form, Single, &Form::setLeft> Left{this};
    Property<Form, Single, &Form::setTop> Top{this};
    Property<Form, String, &Form::setCaption, &Form::caption> Caption{this};

    // The Qt window behind this form, for tests and the runtime.
    QWidget *widget() const;

protected:
    // name: the window's name in the program ("frmMain"), by which tools outside it find it.
    explicit Form(const char *name = "");

    virtual void Form_Load() {}
    virtual void Form_QueryUnload(Integer &Cancel, Integer UnloadMode);

    // Design-time properties of the window.
    void setClientSize(Single widthTwips, Single heightTwips);
    void setBackColor(const QColor &color);
    void setPicture(const String &resource);
    void setIcon(const String &resource);

    // Orders the focus chain by the controls' tab indexes. Call after placing the controls.
    void applyTabOrder();

private:
    // The controls that take the focus, in the order of their tab indexes.
    std::vector<Control *> tabOrder() const;
    // Takes the window out of the program: hidden, no longer loaded, to be destroyed once
    // control is back in the event loop.
    void detach();
    void registerControl(Control *control);
    void unregisterControl(Control *control);

    detail::FormWindow *m_window; // owns this form
    std::vector<Control *> m_controls;
    GlobalFormBase *m_global = nullptr;
    bool m_loaded = false;

    friend class Control;
    friend class GlobalFormBase;
    friend bool Unload(Form &form, Integer mode);
    friend void End(int status);
};

// What every control is to its window: a member of it, made with the window as its parent and
// placed in twips during the window's design, with a place in the focus order. Controls.h has
// the kinds of control.
class Control
{
    void setVisible(bool visible);
    bool isVisible() const;

public:
    virtual ~Control();
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    Property<Control, bool, &Control::setVisible, &Control::isVisible> Visible{this};

    // Design time: place and size in twips; the place in the focus order; the name a screen
    // reader speaks for the control.
    void Move(Single left, Single top, Single width, Single height);
    void Place(Single left, Single top, Single width, Single height, int tabIndex)
    {
        Move(left, top, width, height);
        setTabIndex(tabIndex);
    }
    void setTabIndex(int tabIndex) { m_tabIndex = tabIndex; }
    int TabIndex() const { return m_tabIndex; }
    void setAccessibleName(const String &name);

    QWidget *widget() const { return m_widget; }

    // The control stands on this background (its window's): a control that draws text on it
    // takes a text colour that reads there.
    virtual void standOn(const QColor &background) { Q_UNUSED(background); }

protected:
    // name: the control's name in the program ("txtTev", "cmdType(6)"). Automation tools and
    // screen readers find a control by it: it becomes its widget's object name, from which Qt
    // makes the automation id that UI Automation reports (and AT-SPI's accessible id, from Qt
    // 6.8 on).
    Control(Form *form, QWidget *widget, const char *name);

    // Runs a handler as an event of this control's window.
    static void raise(const std::function<void()> &handler);

    QWidget *m_widget;

private:
    Form *m_form;
    int m_tabIndex = -1;

    friend class Form;
};

namespace detail {
// For the program level: whether any window is loaded.
bool anyWindowLoaded();
} // namespace detail

// Unloads a window: raises its Form_QueryUnload, and unless that sets Cancel, hides and destroys
// it. Returns whether the window is gone. When no window is loaded any more, the program ends.
bool Unload(Form &form, Integer mode = vbFormCode);

template<typename T>
bool Unload(GlobalForm<T> &global, Integer mode = vbFormCode)
{
    T *form = global.loadedOrNull();
    return form ? Unload(*form, mode) : true;
}

} // namespace forms
