#pragma once

#include "platform/kit/TextRange.h"

#include <string>

namespace kit {

class TextField;

// What a screen may say about the editing of one of its fields. Every method
// has the answer a field without a delegate gets, so screens override only
// what they care about.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;

    virtual bool textFieldShouldBeginEditing(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) { }
    virtual bool textFieldShouldEndEditing(TextField&) { return true; }
    virtual void textFieldDidEndEditing(TextField&) { }
    // `range` is in UTF-16 units of the current text; `replacement` is one
    // typed character, a pasted text, or "" for a deletion.
    virtual bool textFieldShouldChangeCharactersInRange(TextField&, TextRange, const std::string&)
    {
        return true;
    }
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual bool textFieldShouldReturn(TextField&) { return true; }
};

} // namespace kit
