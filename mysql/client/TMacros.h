#pragma once
// Macros of a command: "&name" in the statement text, outside strings, quoted names
// and comments, where the "&" is directly followed by an identifier or a keyword.
// An active macro with a value is replaced by its value, an inactive one by nothing.
// A macro that was never given a value, and an "&name" for which no macro exists,
// stay exactly as written, so that a bitwise AND such as "flags&mask" is never
// silently rewritten.

#include <functional>
#include <memory>
#include <vector>

#include "core/Text.h"

namespace brevant {

inline constexpr char16_t SMacroNotFound[] = u"Macro '%s' not found";

class TMacros;

class TMacro {
public:
    explicit TMacro(UString name, TMacros* owner = nullptr) : FName(std::move(name)), FOwner(owner) {}

    const UString& Name() const { return FName; }
    const UString& Value() const { return FValue; }
    /// Stores the value (also an empty one) and marks the macro as given.
    void SetValue(const UString& value);
    bool Active() const { return FActive; }
    void SetActive(bool value);
    /// True once a value has been set.
    bool Assigned() const { return FAssigned; }

    /// Value, active flag and whether it was given (not the name).
    void AssignValue(const TMacro& source) {
        FValue = source.FValue;
        FActive = source.FActive;
        FAssigned = source.FAssigned;
    }

private:
    UString FName;
    UString FValue;
    bool FActive = true;
    bool FAssigned = false;
    TMacros* FOwner;
};

class TMacros {
public:
    TMacros() = default;
    TMacros(const TMacros&) = delete;
    TMacros& operator=(const TMacros&) = delete;

    std::size_t Count() const { return FItems.size(); }
    TMacro& operator[](std::size_t index) { return *FItems.at(index); }
    const TMacro& operator[](std::size_t index) const { return *FItems.at(index); }
    TMacro* FindMacro(UStringView name) const;
    /// "Macro '%s' not found" when there is none.
    TMacro& MacroByName(UStringView name) const;

    /// Finds the macro names of `sql`. The list is replaced only when the names
    /// changed; macros that stay keep their values.
    void Scan(UStringView sql);
    /// The text with each macro expanded; a text without "&" comes back unchanged.
    UString Expand(UStringView sql) const;

    /// Called when a macro's value or active flag changes.
    std::function<void()> OnChanged;

private:
    friend class TMacro;
    void Changed() {
        if (OnChanged) OnChanged();
    }

    std::vector<std::unique_ptr<TMacro>> FItems;
};

/// Every "&name" of a text: where the "&" stands, where the name ends, and the name.
struct TMacroRef {
    std::size_t Start = 0, End = 0;
    UString Name;
};
std::vector<TMacroRef> FindMacroRefs(UStringView sql);

}  // namespace brevant
