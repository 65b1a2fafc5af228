#pragma once

#include "platform/net/URLError.h"

#include <string>
#include <string_view>

namespace imagecache {

// Why a load gave no image: the transport's URL-loading errors, an HTTP status
// (code = the status, in the URL domain), or the image domain's own.
struct ImageError {
    static constexpr std::string_view imageDomain = "ImageErrorDomain";
    static constexpr std::string_view urlDomain = net::URLError::errorDomain;

    std::string domain;
    int code = 0;
    std::string description;
    std::string failingURL;

    static ImageError image(int code, std::string description)
    {
        return { std::string(imageDomain), code, std::move(description), {} };
    }
    static ImageError url(int code, std::string failingURL = {})
    {
        return { std::string(urlDomain), code, std::string(net::URLError::standardDescription(code)),
            std::move(failingURL) };
    }
    // The server answered with an error status: its code is the status, and
    // there is no description beyond it.
    static ImageError httpStatus(int status, std::string failingURL)
    {
        return { std::string(urlDomain), status, {}, std::move(failingURL) };
    }
    static ImageError from(const net::URLError& error)
    {
        return { std::string(urlDomain), error.code(), error.localizedDescription(), error.failingURL() };
    }
    // Decoding the image would hold more memory than all the downloader's
    // decodes together may.
    static ImageError tooLarge() { return image(0, "Downloaded image is too large to decode"); }
    // The load was asked for without a URL.
    static ImageError nilURL() { return image(-1, "Trying to load a nil url"); }
};

} // namespace imagecache
