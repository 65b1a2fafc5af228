#include "platform/capture/MetadataObjectType.h"

#include <array>
#include <string>
#include <utility>

namespace capture {

namespace {

constexpr std::array<std::pair<MetadataObjectType, std::string_view>, 10> names { {
    { MetadataObjectType::QRCode, "QR" },
    { MetadataObjectType::Code39, "Code 39" },
    { MetadataObjectType::Code39Mod43, "Code 39 mod 43" },
    { MetadataObjectType::Code93, "Code 93" },
    { MetadataObjectType::Code128, "Code 128" },
    { MetadataObjectType::EAN8, "EAN-8" },
    { MetadataObjectType::EAN13, "EAN-13" },
    { MetadataObjectType::UPCE, "UPC-E" },
    { MetadataObjectType::PDF417, "PDF417" },
    { MetadataObjectType::AztecCode, "Aztec" },
} };

std::string folded(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c == ' ' || c == '-' || c == '_')
            continue;
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return out;
}

} // namespace

const std::vector<MetadataObjectType>& allMetadataObjectTypes()
{
    static const std::vector<MetadataObjectType> types = [] {
        std::vector<MetadataObjectType> all;
        for (const auto& entry : names)
            all.push_back(entry.first);
        return all;
    }();
    return types;
}

std::string_view metadataObjectTypeName(MetadataObjectType type)
{
    for (const auto& [candidate, name] : names) {
        if (candidate == type)
            return name;
    }
    return {};
}

std::optional<MetadataObjectType> metadataObjectTypeFromName(std::string_view name)
{
    std::string wanted = folded(name);
    if (wanted.empty())
        return std::nullopt;
    for (const auto& [type, candidate] : names) {
        if (folded(candidate) == wanted)
            return type;
    }
    return std::nullopt;
}

} // namespace capture
