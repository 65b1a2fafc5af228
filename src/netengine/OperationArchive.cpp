#include "netengine/OperationArchive.h"

#include "netengine/NEBase64.h"
#include "netengine/NetworkOperation.h"
#include "platform/net/HTTPRedirect.h"

namespace {

using Json = foundation::Json;

constexpr std::string_view formatName = "NetworkOperation";

Json headerList(const net::HTTPHeaders& headers)
{
    Json list = Json::array();
    for (const auto& [field, value] : headers.fields())
        list.push_back(Json::array({ field, value }));
    return list;
}

net::HTTPHeaders headersFrom(const Json& list)
{
    net::HTTPHeaders headers;
    if (!list.is_array())
        return headers;
    for (const auto& pair : list) {
        if (pair.is_array() && pair.size() == 2 && pair[0].is_string() && pair[1].is_string())
            headers.add(pair[0].get_ref<const std::string&>(), pair[1].get_ref<const std::string&>());
    }
    return headers;
}

Json optionalText(const std::optional<std::string>& text)
{
    return text ? Json(*text) : Json(nullptr);
}

Json optionalBytes(const std::optional<std::string>& bytes)
{
    return bytes ? Json(NEBase64::base64EncodedString(*bytes)) : Json(nullptr);
}

std::optional<std::string> textAt(const Json& object, std::string_view key)
{
    return foundation::optionalText(object, key);
}

std::optional<std::string> bytesAt(const Json& object, std::string_view key)
{
    auto text = textAt(object, key);
    if (!text)
        return std::nullopt;
    return NEBase64::dataFromBase64String(*text);
}

template<typename T> T numberAt(const Json& object, std::string_view key, T fallback)
{
    auto const& value = foundation::valueForKey(object, key);
    if (value.is_number_integer() || value.is_number_unsigned())
        return static_cast<T>(foundation::longLongValue(value));
    return fallback;
}

bool flagAt(const Json& object, std::string_view key)
{
    auto const& value = foundation::valueForKey(object, key);
    return value.is_boolean() && value.get<bool>();
}

} // namespace

Json OperationArchive::encode(const NetworkOperation& operation)
{
    std::lock_guard lock(operation.m_lock);
    Json archive = Json::object();
    archive["format"] = formatName;
    archive["version"] = version;
    archive["stringEncoding"] = static_cast<unsigned>(operation.m_stringEncoding);
    archive["postDataEncoding"] = operation.m_postDataEncoding;
    archive["uniqueId"] = optionalText(operation.m_uniqueId);

    auto const& request = operation.m_request;
    Json requestObject = Json::object();
    requestObject["url"] = request.url();
    requestObject["method"] = request.httpMethod();
    requestObject["headers"] = headerList(request.allHTTPHeaderFields());
    requestObject["body"] = optionalBytes(request.httpBody());
    requestObject["timeout"] = request.timeoutInterval();
    requestObject["cachePolicy"] = static_cast<int>(request.cachePolicy());
    archive["request"] = std::move(requestObject);

    if (auto const& response = operation.m_response) {
        Json responseObject = Json::object();
        responseObject["url"] = response->url();
        responseObject["status"] = response->statusCode();
        responseObject["headers"] = headerList(response->allHeaderFields());
        archive["response"] = std::move(responseObject);
    } else {
        archive["response"] = nullptr;
    }

    archive["fieldsToBePosted"] = operation.m_fieldsToBePosted;
    Json files = Json::array();
    for (const auto& file : operation.m_filesToBePosted)
        files.push_back(
            { { "filepath", file.filepath }, { "name", file.name }, { "mimetype", file.mimetype } });
    archive["filesToBePosted"] = std::move(files);
    Json parts = Json::array();
    for (const auto& part : operation.m_dataToBePosted)
        parts.push_back({ { "data", NEBase64::base64EncodedString(part.data) }, { "name", part.name },
            { "mimetype", part.mimetype }, { "filename", part.filename } });
    archive["dataToBePosted"] = std::move(parts);

    archive["username"] = optionalText(operation.m_username);
    archive["password"] = optionalText(operation.m_password);
    archive["clientCertificate"] = optionalText(operation.m_clientCertificate);
    archive["clientCertificatePassword"] = optionalText(operation.m_clientCertificatePassword);
    archive["shouldContinueWithInvalidCertificate"] = operation.m_shouldContinueWithInvalidCertificate;
    archive["localNotification"]
        = operation.m_localNotification ? operation.m_localNotification->encodeWithCoder() : Json(nullptr);
    archive["state"] = static_cast<int>(NetworkOperation::StateReady);
    archive["isCancelled"] = operation.m_isCancelled;
    archive["mutableData"] = optionalBytes(operation.m_mutableData);
    archive["downloadedDataSize"] = operation.m_downloadedDataSize;
    archive["startPosition"] = operation.m_startPosition;
    archive["credentialPersistence"] = static_cast<int>(operation.m_credentialPersistence);
    return archive;
}

std::shared_ptr<NetworkOperation> OperationArchive::decode(const Json& archive)
{
    if (!archive.is_object() || textAt(archive, "format") != formatName
        || numberAt(archive, "version", 0) != version)
        return nullptr;
    auto const& requestObject = foundation::valueForKey(archive, "request");
    auto url = textAt(requestObject, "url");
    auto method = textAt(requestObject, "method");
    if (!url || !method || method->empty())
        return nullptr;
    // Built as any new operation is, so that a damaged URL is refused the same way.
    auto operation = NetworkOperation::initWithURLString(*url, std::nullopt, *method);
    if (!operation)
        return nullptr;

    std::lock_guard lock(operation->m_lock);
    auto& request = operation->m_request;
    auto const headers = headersFrom(foundation::valueForKey(requestObject, "headers"));
    for (const auto& [field, value] : headers.fields())
        request.setValueForHTTPHeaderField(value, field);
    request.setHTTPBody(bytesAt(requestObject, "body"));
    auto const timeout = foundation::valueForKey(requestObject, "timeout");
    if (timeout.is_number() && foundation::doubleValue(timeout) > 0)
        request.setTimeoutInterval(foundation::doubleValue(timeout));
    auto const policy = numberAt(requestObject, "cachePolicy", 1);
    if (policy >= 0 && policy <= 3)
        request.setCachePolicy(static_cast<net::URLRequestCachePolicy>(policy));

    auto const& responseObject = foundation::valueForKey(archive, "response");
    auto responseURL = textAt(responseObject, "url");
    if (responseURL)
        operation->m_response = net::HTTPURLResponse(*responseURL, numberAt(responseObject, "status", 0),
            headersFrom(foundation::valueForKey(responseObject, "headers")));

    auto const encoding = numberAt<unsigned>(archive, "stringEncoding", 4);
    if (encoding == 1 || encoding == 4 || encoding == 5)
        operation->m_stringEncoding = static_cast<NetworkOperation::StringEncoding>(encoding);
    operation->m_postDataEncoding = numberAt(archive, "postDataEncoding", 0);
    operation->m_uniqueId = textAt(archive, "uniqueId");
    if (auto const& fields = foundation::valueForKey(archive, "fieldsToBePosted"); fields.is_object())
        operation->m_fieldsToBePosted = fields;
    for (const auto& file : foundation::valueForKey(archive, "filesToBePosted")) {
        auto path = textAt(file, "filepath");
        auto name = textAt(file, "name");
        if (path && name)
            operation->m_filesToBePosted.push_back(
                { *path, *name, textAt(file, "mimetype").value_or("application/octet-stream") });
    }
    for (const auto& part : foundation::valueForKey(archive, "dataToBePosted")) {
        auto data = bytesAt(part, "data");
        auto name = textAt(part, "name");
        if (data && name)
            operation->m_dataToBePosted.push_back(
                { *data, *name, textAt(part, "mimetype").value_or("application/octet-stream"),
                    textAt(part, "filename").value_or("file") });
    }
    operation->m_username = textAt(archive, "username");
    operation->m_password = textAt(archive, "password");
    operation->m_clientCertificate = textAt(archive, "clientCertificate");
    operation->m_clientCertificatePassword = textAt(archive, "clientCertificatePassword");
    operation->m_shouldContinueWithInvalidCertificate
        = flagAt(archive, "shouldContinueWithInvalidCertificate");
    // Archives written before notices were kept have none.
    operation->m_localNotification
        = kit::LocalNotification::initWithCoder(foundation::valueForKey(archive, "localNotification"));
    operation->m_isCancelled = flagAt(archive, "isCancelled");
    operation->m_mutableData = bytesAt(archive, "mutableData");
    operation->m_downloadedDataSize = numberAt<std::uint64_t>(archive, "downloadedDataSize", 0);
    operation->m_startPosition = numberAt<std::int64_t>(archive, "startPosition", 0);
    auto const persistence = numberAt(archive, "credentialPersistence", 1);
    if (persistence >= 0 && persistence <= 2)
        operation->m_credentialPersistence = static_cast<CredentialPersistence>(persistence);
    return operation;
}
