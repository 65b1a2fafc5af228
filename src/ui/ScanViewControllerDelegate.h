#pragma once

#include <string>

// How the code scanner hands back the first code it reads. The scanner
// holds its delegate weakly and calls it on the main thread after it has
// closed itself.
class ScanViewControllerDelegate {
public:
    virtual ~ScanViewControllerDelegate() = default;

    virtual void scanCallback(const std::string& code) = 0;
};
