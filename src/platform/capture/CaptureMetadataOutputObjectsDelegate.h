#pragma once

#include "platform/capture/MetadataMachineReadableCodeObject.h"

#include <vector>

namespace capture {

class CaptureConnection;
class CaptureMetadataOutput;

class CaptureMetadataOutputObjectsDelegate {
public:
    virtual ~CaptureMetadataOutputObjectsDelegate() = default;

    // Runs on the queue given with the delegate, never with an empty list.
    virtual void captureOutputDidOutputMetadataObjectsFromConnection(CaptureMetadataOutput& output,
        const std::vector<MetadataMachineReadableCodeObject>& metadataObjects,
        const CaptureConnection& connection)
        = 0;
};

} // namespace capture
