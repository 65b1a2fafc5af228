#pragma once

namespace imagecache {

// Anything a view's running load can be stopped through.
class ImageOperation {
public:
    virtual ~ImageOperation() = default;
    virtual void cancel() = 0;
};

} // namespace imagecache
