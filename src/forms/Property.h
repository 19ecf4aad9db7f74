// Properties that read and write like fields: `lblWarn.Visible = false;`,
// `String s = cboSearch[Index].Text;`.
//
// A Property is a small proxy member of a control or window. Assigning to it calls the owner's
// setter, reading it calls the owner's getter, so a setter may raise forms::Error like any other
// runtime operation. It holds only a pointer to its owner.
#pragma once

#include <type_traits>
#include <utility>

namespace forms {

// Without a Getter the property is write only: reading it does not compile.
template<typename Owner, typename T, auto Setter, auto Getter = nullptr>
class Property
{
    static constexpr bool readable = !std::is_null_pointer_v<decltype(Getter)>;

public:
    explicit Property(Owner *owner) : m_owner(owner) {}
    Property(const Property &) = delete;

    // a.Text = b.Text copies the value, not the proxy.
    Property &operator=(const Property &other) requires readable
    {
        return *this = static_cast<T>(other);
    }

    template<typename U>
    Property &operator=(U &&value)
    {
        (m_owner->*Setter)(T(std::forward<U>(value)));
        return *this;
    }

    operator T() const requires readable { return (m_owner->*Getter)(); }
    T value() const requires readable { return (m_owner->*Getter)(); }

private:
    Owner *m_owner;
};

} // namespace forms
