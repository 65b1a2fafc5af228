#pragma once

#include "platform/foundation/Json.h"

#include <string>

// The bodies an HTTP operation can make of its fields: a JSON object whose
// keys are the field names, in their insertion order.
class RequestEncoding {
public:
    // "key=value&key=value": keys and text values escaped by
    // NetworkEngineAdditions::ne_urlEncodedString, other values written as
    // their description unescaped. An empty or non-object value gives "".
    static std::string urlEncodedKeyValueString(const foundation::Json& fields);
    // Compact JSON.
    static std::string jsonEncodedKeyValueString(const foundation::Json& fields);
    // An XML property list of the dictionary: texts, integers, reals,
    // booleans, arrays and dictionaries. A null anywhere cannot be written in
    // that format, and then the answer is "".
    static std::string plistEncodedKeyValueString(const foundation::Json& fields);
};
