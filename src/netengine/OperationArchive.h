#pragma once

#include "platform/foundation/Json.h"

#include <memory>

class NetworkOperation;

// A frozen HTTP operation as JSON, so it can wait on disk for the network
// and run again when it comes back. One object:
//
//   "format": "NetworkOperation", "version": 1,
//   "request": { "url", "method", "headers": [[field, value], ...],
//                "body": Base64 or null, "timeout": seconds, "cachePolicy": n },
//   "response": { "url", "status", "headers" } or null,
//   "fieldsToBePosted": object, "filesToBePosted": [{ "filepath", "name", "mimetype" }],
//   "dataToBePosted": [{ "data": Base64, "name", "mimetype", "filename" }],
//   "stringEncoding", "postDataEncoding", "uniqueId", "username", "password",
//   "clientCertificate", "clientCertificatePassword",
//   "shouldContinueWithInvalidCertificate",
//   "localNotification": { "alertBody", "alertAction", "hasAction" } or null
//     (kit::LocalNotification; an archive without it has none),
//   "state", "isCancelled",
//   "mutableData": Base64 or null, "downloadedDataSize", "startPosition",
//   "credentialPersistence"
//
// "state" is always 1: an archived operation comes back ready to run, while
// the operation archived is left as it was. Handlers, download streams, the
// connection, cache validators and a cached body are never archived. The
// file holds the operation's credentials, so it is written with mode 0600.
class OperationArchive {
public:
    static constexpr int version = 1;

    static foundation::Json encode(const NetworkOperation& operation);
    // nullptr for anything that is not a whole archive of this version
    // naming a usable request: a damaged archive is skipped, never fatal.
    static std::shared_ptr<NetworkOperation> decode(const foundation::Json& archive);
};
