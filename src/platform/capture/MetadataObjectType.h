#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace capture {

// The code kinds the scanner can be asked to read.
enum class MetadataObjectType {
    QRCode,
    Code39,
    Code39Mod43,
    Code93,
    Code128,
    EAN8,
    EAN13,
    UPCE,
    PDF417,
    AztecCode,
};

// Every kind, in a fixed order.
const std::vector<MetadataObjectType>& allMetadataObjectTypes();

// "QR", "Code 39", "Code 39 mod 43", "Code 93", "Code 128", "EAN-8", "EAN-13",
// "UPC-E", "PDF417", "Aztec".
std::string_view metadataObjectTypeName(MetadataObjectType type);
// Reads the names above, ignoring case, spaces, '-' and '_' ("qr", "ean13").
std::optional<MetadataObjectType> metadataObjectTypeFromName(std::string_view name);

} // namespace capture
