// What screen readers see of the runtime's windows and controls. Internal to the forms runtime.
//
// Qt describes most controls well by itself; the runtime adds to it where its own widgets need
// more:
// - a window presents only its shown controls: a hidden control is neither read nor reachable
//   by an assistive technology, so a hidden button cannot be pressed through one and a hidden
//   list does not give away what it holds;
// - a lookup list is named by its label at all times and reports its edit field as its value.
//   (Qt's own combo-box description on Unix names the box by its edit text instead, so the
//   name would change to whatever the user types.)
// - a text box reads without the filler spaces that pad the program's fixed-width values, and
//   an empty one is described as blank; what the box shows stays as it is;
// - a window is described by the labels that the program colours to stand out (the internal
//   edition's warning), so that a screen reader says them with the window's caption;
// - screen readers hear of a box's caret and selection only after the focus has moved there,
//   and only where the user moved them, and of an opened list by the entry current in it (see
//   the event order in the .cpp);
// - a pick is told by the name picked.
#pragma once

class QString;
class QWidget;

namespace forms::detail {

// Registers the runtime's accessible descriptions with Qt; does something only the first time.
void installAccessibility();

// Tells a screen reader the name just picked in list.
void announcePick(QWidget *list, const QString &name);

// While one exists, the program is setting a box's text: a screen reader hears of the change
// itself, and not of the caret and selection that moved with it. (Told late, on a slow machine,
// of a box whose window has closed since, Orca would announce the selection lost there.)
class ProgramTextChange
{
public:
    ProgramTextChange();
    ~ProgramTextChange();
    ProgramTextChange(const ProgramTextChange &) = delete;
    ProgramTextChange &operator=(const ProgramTextChange &) = delete;
};

} // namespace forms::detail
