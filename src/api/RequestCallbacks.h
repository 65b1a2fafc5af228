#pragma once

#include <functional>
#include <optional>
#include <string>

// How a server result reaches a screen, always on the main thread: the
// decrypted reply text (absent when the bytes were not text), or the bytes of
// an image.
using ReplyTextCallback = std::function<void(const std::optional<std::string>& reply)>;
using ImageDataCallback = std::function<void(const std::string& data)>;
