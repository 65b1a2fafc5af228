#include "platform/capture/CodeReader.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

namespace capture {

namespace {

constexpr std::string_view code39Alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

bool wants(std::span<const MetadataObjectType> types, MetadataObjectType type)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

ZXing::BarcodeFormat formatFor(MetadataObjectType type)
{
    switch (type) {
    case MetadataObjectType::QRCode:
        return ZXing::BarcodeFormat::QRCode;
    case MetadataObjectType::Code39:
    case MetadataObjectType::Code39Mod43:
        return ZXing::BarcodeFormat::Code39;
    case MetadataObjectType::Code93:
        return ZXing::BarcodeFormat::Code93;
    case MetadataObjectType::Code128:
        return ZXing::BarcodeFormat::Code128;
    case MetadataObjectType::EAN8:
        return ZXing::BarcodeFormat::EAN8;
    case MetadataObjectType::EAN13:
        return ZXing::BarcodeFormat::EAN13;
    case MetadataObjectType::UPCE:
        return ZXing::BarcodeFormat::UPCE;
    case MetadataObjectType::PDF417:
        return ZXing::BarcodeFormat::PDF417;
    case MetadataObjectType::AztecCode:
        return ZXing::BarcodeFormat::Aztec;
    }
    return ZXing::BarcodeFormat::None;
}

std::optional<MetadataMachineReadableCodeObject> reported(
    ZXing::BarcodeFormat format, std::string text, std::span<const MetadataObjectType> types)
{
    if (format == ZXing::BarcodeFormat::Code39) {
        if (wants(types, MetadataObjectType::Code39))
            return MetadataMachineReadableCodeObject(MetadataObjectType::Code39, std::move(text));
        if (!CodeReader::hasValidMod43CheckCharacter(text))
            return std::nullopt;
        text.pop_back();
        return MetadataMachineReadableCodeObject(MetadataObjectType::Code39Mod43, std::move(text));
    }
    for (MetadataObjectType type : types) {
        if (type != MetadataObjectType::Code39Mod43 && formatFor(type) == format)
            return MetadataMachineReadableCodeObject(type, std::move(text));
    }
    return std::nullopt;
}

} // namespace

bool CodeReader::hasValidMod43CheckCharacter(std::string_view text)
{
    if (text.size() < 2)
        return false;
    size_t sum = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        size_t value = code39Alphabet.find(text[i]);
        if (value == std::string_view::npos)
            return false;
        sum += value;
    }
    return code39Alphabet.find(text.back()) == sum % 43;
}

std::vector<MetadataMachineReadableCodeObject> CodeReader::read(
    const VideoFrame& frame, const graphics::Rect& rectOfInterest, std::span<const MetadataObjectType> types)
{
    ZXing::BarcodeFormats formats;
    for (MetadataObjectType type : types)
        formats |= formatFor(type);
    // No kinds asked for means nothing is looked for, not everything.
    if (formats.empty())
        return {};
    VideoFrame::PixelRect region = frame.regionOfInterest(rectOfInterest);
    if (region.isEmpty())
        return {};

    ZXing::ImageView whole(frame.luma().data(), frame.width(), frame.height(), ZXing::ImageFormat::Lum);
    ZXing::ImageView cropped = whole.cropped(region.x, region.y, region.width, region.height);
    ZXing::DecodeHints hints;
    // One code a frame: the scanner takes the first anyway, and the reader's merging of
    // a second find into the first asserts (aborting the app) on some pictures.
    hints.setFormats(formats).setTryHarder(true).setTryRotate(true).setMaxNumberOfSymbols(1);

    std::vector<MetadataMachineReadableCodeObject> found;
    try {
        for (const ZXing::Result& result : ZXing::ReadBarcodes(cropped, hints)) {
            if (!result.isValid())
                continue;
            if (auto object = reported(result.format(), result.text(), types))
                found.push_back(std::move(*object));
        }
    } catch (const std::exception&) {
        // The reader is third-party code fed with camera noise: a picture it
        // chokes on simply holds no code.
        return {};
    }
    return found;
}

} // namespace capture
