#pragma once

namespace kit {

// Stored only: no keyboard is drawn, and the screens' filters, not the
// keyboard, decide which characters a field takes. The numbers are the phone
// toolkit's.
enum class KeyboardType {
    Default = 0,
    AsciiCapable = 1,
    NumbersAndPunctuation = 2,
    Url = 3,
    NumberPad = 4,
    PhonePad = 5,
    NamePhonePad = 6,
    EmailAddress = 7,
    DecimalPad = 8,
};

enum class ReturnKeyType { Default = 0, Go = 1, Search = 6, Done = 9 };

} // namespace kit
