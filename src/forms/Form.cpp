#include "Form.h"

#include "FormWindow_p.h"
#include "Pictures_p.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFont>
#include <QWidget>

#include <algorithm>

namespace forms {

namespace {

// The windows' twip layouts were made for an 8-point dialog font; the desktop's own UI font is
// often larger and would cut captions off inside their fixed boxes. A condensed sans-serif at
// 8 points fits every caption, DejaVu Sans Condensed best (a Windows build carries it in its
// resources); where it is missing, another narrow sans-serif of Linux or Windows stands in, and
// without one of those a regular sans-serif drawn semi-condensed. (The font database's own
// choice for a face it lacks could be any face, even a monospaced one that cuts captions off.)
// The answers are kept: each question lists every installed family.
QFont dialogFont()
{
    static const QFont font = [] {
        const auto installed = [](const QStringList &faces) {
            return std::any_of(faces.begin(), faces.end(), QFontDatabase::hasFamily);
        };
        const QStringList narrow = {
                QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                QStringLiteral("Arial Narrow"), QStringLiteral("Nimbus Sans Narrow")};
        QFont font(narrow);
        if (!installed(narrow)) {
            // A font database that names faces by their typographic family (FreeType's, as
            // Qt's offscreen platform on Windows has it) knows DejaVu Sans Condensed as DejaVu
            // Sans, semi-condensed. (Asking for that width where the face is known by its own
            // name would make Windows squeeze it once more.)
            font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                              QStringLiteral("Arial"), QStringLiteral("Nimbus Sans")});
            font.setStretch(QFont::SemiCondensed);
        }
        font.setPointSizeF(8.0);
        font.setStyleHint(QFont::SansSerif);
        return font;
    }();
    return font;
}

// The loaded windows, in the order of loading.
std::vector<Form *> loadedForms;

} // namespace

namespace detail {

bool anyWindowLoaded()
{
    return !loadedForms.empty();
}

} // namespace detail

void Form::detach()
{
    const bool wasActive = m_window->isActiveWindow();
    m_window->hide();
    m_loaded = false;
    if (m_global)
        m_global->m_form = nullptr;
    m_global = nullptr;
    loadedForms.erase(std::remove(loadedForms.begin(), loadedForms.end(), this), loadedForms.end());
    m_window->deleteLater(); // and the window, as it goes, this form (FormWindow)

    // Closing the active window hands the keyboard to the program's most recently loaded window
    // still shown (the main menu, when a search window closes), as the desktop the runtime was
    // made for does. Without a window manager that does it, keys would otherwise go nowhere.
    if (wasActive && !detail::hasEnded()) {
        for (auto it = loadedForms.rbegin(); it != loadedForms.rend(); ++it) {
            QWidget *window = (*it)->m_window;
            if (window->isVisible()) {
                window->activateWindow();
                break;
            }
        }
    }
}

int TwipsToPixels(Single twips)
{
    return qRound(twips / 15.0f);
}

void GlobalFormBase::load(Form *form)
{
    m_form = form;
    form->m_global = this;
    form->m_loaded = true;
    loadedForms.push_back(form);
    RaiseEvent([form] { form->Form_Load(); });
    // A Load that ended the program ends the handler that referenced the window, too.
    detail::stopIfEnded();
}

Form::Form(const char *name)
{
    m_window = new detail::FormWindow(
            [this] { RaiseEvent([this] { Unload(*this, vbFormControlMenu); }); });
    m_window->setObjectName(QLatin1StringView(name));
    m_window->own(this);
    m_window->setFont(dialogFont());
}

Form::~Form() = default;

QWidget *Form::widget() const
{
    return m_window;
}

void Form::Form_QueryUnload(Integer &, Integer) {}

void Form::Show()
{
    detail::stopIfEnded();
    if (!m_loaded)
        return;
    if (!m_window->focusWidget()) {
        for (Control *control : tabOrder()) {
            QWidget *w = control->widget();
            if (!w->isHidden() && w->isEnabled()) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    m_window->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        m_window->raise(); // the offscreen platform only warns that it cannot
    m_window->activateWindow();
}

void Form::setLeft(Single twips)
{
    m_window->move(TwipsToPixels(twips), m_window->pos().y());
}

void Form::setTop(Single twips)
{
    m_window->move(m_window->pos().x(), TwipsToPixels(twips));
}

void Form::setCaption(String caption)
{
    m_window->setWindowTitle(caption);
}

String Form::caption() const
{
    return m_window->windowTitle();
}

void Form::setClientSize(Single widthTwips, Single heightTwips)
{
    m_window->resize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
}

void Form::setBackColor(const QColor &background)
{
    // The window paints this colour itself rather than taking a palette of its own: every
    // control would inherit that palette as a new one, and Qt's style caches its drawings by
    // palette, so each new window would draw and keep its lists and buttons all over again.
    // The labels stand on this colour: their text colour goes with it, whatever colours the
    // desktop's scheme gives the rest.
    m_window->setBackColor(background);
    for (Control *control : m_controls)
        control->standOn(background);
}

void Form::setPicture(const String &resource)
{
    m_window->setPicture(resource);
}

void Form::setIcon(const String &resource)
{
    m_window->setWindowIcon(detail::icon(resource));
}

std::vector<Control *> Form::tabOrder() const
{
    std::vector<Control *> order;
    for (Control *control : m_controls) {
        if (control->TabIndex() >= 0 && control->widget()->focusPolicy() & Qt::TabFocus)
            order.push_back(control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}

void Form::applyTabOrder()
{
    const std::vector<Control *> order = tabOrder();
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
}

Control::Control(Form *form, QWidget *widget, const char *name) : m_widget(widget), m_form(form)
{
    widget->setObjectName(QLatin1StringView(name));
    form->registerControl(this);
}

Control::~Control()
{
    m_form->unregisterControl(this);
    delete m_widget;
}

void Control::setVisible(bool visible)
{
    m_widget->setVisible(visible);
}

bool Control::isVisible() const
{
    return !m_widget->isHidden();
}

void Control::Move(Single left, Single top, Single width, Single height)
{
    m_widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                          TwipsToPixels(height));
}

void Control::setAccessibleName(const String &name)
{
    m_widget->setAccessibleName(name);
}

void Control::raise(const std::function<void()> &handler)
{
    if (handler)
        RaiseEvent(handler);
}

void Form::registerControl(Control *control)
{
    m_controls.push_back(control);
}

void Form::unregisterControl(Control *control)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
}

bool Unload(Form &form, Integer mode)
{
    if (!form.m_loaded)
        return true;
    Integer cancel = 0;
    RaiseEvent([&form, &cancel, mode] { form.Form_QueryUnload(cancel, mode); });
    // A QueryUnload that ended the program ends the handler that called Unload, too.
    detail::stopIfEnded();
    if (!form.m_loaded)
        return true;
    if (cancel != 0)
        return false;
    form.detach();
    if (loadedForms.empty())
        End(0);
    return true;
}

void End(int status)
{
    detail::recordEnd(status);
    while (!loadedForms.empty())
        loadedForms.back()->detach();
    if (detail::eventLoopRunning())
        QCoreApplication::exit(ExitStatus());
}

} // namespace forms
