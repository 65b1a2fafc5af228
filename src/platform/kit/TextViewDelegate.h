#pragma once

#include "platform/kit/TextRange.h"

#include <string>

namespace kit {

class TextView;

// The multi-line counterpart of the field delegate; the answers given here
// are those of a text view without a delegate.
class TextViewDelegate {
public:
    virtual ~TextViewDelegate() = default;

    virtual bool textViewShouldBeginEditing(TextView&) { return true; }
    virtual void textViewDidBeginEditing(TextView&) { }
    virtual bool textViewShouldEndEditing(TextView&) { return true; }
    virtual void textViewDidEndEditing(TextView&) { }
    virtual bool textViewShouldChangeTextInRange(TextView&, TextRange, const std::string&) { return true; }
    virtual void textViewDidChange(TextView&) { }
};

} // namespace kit
