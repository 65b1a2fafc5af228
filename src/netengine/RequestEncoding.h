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
    // An XML property list of the dictionary (foundation::PropertyList).
    // What that format cannot carry (a null, text that is not UTF-8) gives "".
    static std::string plistEncodedKeyValueString(const foundation::Json& fields);
};
