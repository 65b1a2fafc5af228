#include "netengine/NEBase64.h"
#include "netengine/NetworkEngineCache.h"
#include "netengine/NetworkOperation.h"
#include "netengine/OperationArchive.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"

#include <fstream>
#include <gtest/gtest.h>

using foundation::Json;

namespace {

NetworkOperation::Pointer post(const std::string& url, Json fields)
{
    auto operation = NetworkOperation::initWithURLString(url, fields, "POST");
    EXPECT_TRUE(operation);
    return operation;
}

} // namespace

TEST(OperationRequests, MethodQueryAndBodyFollowTheMethod)
{
    auto get = NetworkOperation::initWithURLString("http://h/x", Json { { "a", "1" } });
    EXPECT_EQ(get->HTTPMethod(), "GET");
    EXPECT_EQ(get->url(), "http://h/x?a=1");
    EXPECT_EQ(NetworkOperation::initWithURLString("http://h/x", Json::object())->url(), "http://h/x");

    auto form = post("http://h/x", { { "a", "1" } });
    EXPECT_EQ(form->url(), "http://h/x");
    EXPECT_EQ(form->bodyData(), "a=1");
    EXPECT_EQ(form->readonlyRequest().valueForHTTPHeaderField("Content-Type"),
        "application/x-www-form-urlencoded; charset=utf-8");

    // A part turns a GET into a multipart POST.
    auto upload = NetworkOperation::initWithURLString("http://h/x");
    upload->addData("bytes", "file");
    EXPECT_EQ(upload->HTTPMethod(), "POST");
    EXPECT_TRUE(upload->bodyData()->ends_with("--\r\n"));
    upload->addFile("/nonexistent/file", "other");
    EXPECT_EQ(upload->bodyData(), std::nullopt) << "an unreadable file must not go up as an empty part";
}

TEST(OperationIdentity, EqualOnlyForTheSameGetOrHead)
{
    auto a = NetworkOperation::initWithURLString("http://h/x");
    auto b = NetworkOperation::initWithURLString("http://h/x");
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_FALSE(post("http://h/x", {})->isEqual(*post("http://h/x", {})));
    EXPECT_NE(NetworkOperation::initWithURLString("http://h/x", std::nullopt, "HEAD")->uniqueIdentifier(),
        a->uniqueIdentifier());
    b->setUsername("u", std::nullopt);
    EXPECT_FALSE(a->isEqual(*b)) << "credentials are part of the identity";
    EXPECT_FALSE(b->isCacheable());

    auto frozen = post("http://h/x", {});
    frozen->setFreezable(true);
    EXPECT_TRUE(frozen->uniqueId());
    a->setFreezable(true);
    EXPECT_FALSE(a->freezable()) << "a GET never freezes";
}

TEST(OperationAuthentication, BasicHeaderOnlyWhenAsked)
{
    auto asked = NetworkOperation::initWithURLString("http://h/x");
    asked->setUsername("ann", "secret", true);
    EXPECT_EQ(asked->readonlyRequest().valueForHTTPHeaderField("Authorization"),
        "Basic " + NEBase64::base64EncodedString("ann:secret"));
    auto notAsked = NetworkOperation::initWithURLString("http://h/x");
    notAsked->setUsername("ann", "secret", false);
    EXPECT_EQ(notAsked->readonlyRequest().valueForHTTPHeaderField("Authorization"), std::nullopt);
}

TEST(OperationDiagnostics, CurlLineAndDescriptionNeverShowSecrets)
{
    auto operation = post("http://h/Api/modify",
        { { "key", "pay-demo-key" }, { "username", "boss" }, { "password", "e10adc" },
            { "newpassword", "c333" } });
    operation->setUsername("boss", "123456", true);
    auto const line = operation->curlCommandLineString();
    EXPECT_EQ(line,
        "curl -X POST -H 'Content-Type: application/x-www-form-urlencoded; charset=utf-8' -H 'Authorization: "
        "***' "
        "'http://h/Api/modify' -d 'key=***' -d 'username=boss' -d 'password=***' -d 'newpassword=***'");
    auto query = NetworkOperation::initWithURLString("http://h/x", Json { { "pwd", "it's" }, { "q", "1" } });
    EXPECT_TRUE(query->curlCommandLineString().ends_with("'http://h/x?pwd=***&q=1'"));
    auto const description = operation->description();
    for (std::string secret : { std::string("pay-demo-key"), std::string("e10adc"), std::string("c333"),
             std::string("123456"), NEBase64::base64EncodedString("boss:123456") })
        EXPECT_EQ(description.find(secret), std::string::npos) << secret;
}

TEST(OperationCopies, CopiesCarryTheRequestAndHandlersButShareNothingThatChanges)
{
    auto original = post("http://h/x", { { "a", "1" } });
    original->setUsername("u", "p");
    original->setClientCertificate("/id.p12");
    original->addData("bytes", "file");
    original->setPostDataEncoding(NetworkOperation::JSON);
    int ran = 0;
    original->addCompletionHandler([&ran](const auto&) { ++ran; }, nullptr);
    for (auto copy : { original->copy(), original->copyForRetry() }) {
        EXPECT_EQ(copy->url(), "http://h/x");
        EXPECT_EQ(copy->HTTPMethod(), "POST");
        EXPECT_EQ(copy->readonlyPostDictionary(), original->readonlyPostDictionary());
        EXPECT_EQ(copy->password(), "p");
        EXPECT_EQ(copy->clientCertificate(), "/id.p12");
        EXPECT_EQ(copy->postDataEncoding(), NetworkOperation::JSON);
        EXPECT_EQ(copy->bodyData()->size(), original->bodyData()->size());
        // Changing the copy leaves the original as it was.
        copy->addParams(Json { { "b", "2" } });
        copy->setHeader("X-Copy", "1");
        copy->addCompletionHandler([&ran](const auto&) { ran += 100; }, nullptr);
        EXPECT_EQ(original->readonlyPostDictionary(), (Json { { "a", "1" } }));
        EXPECT_EQ(original->readonlyRequest().valueForHTTPHeaderField("X-Copy"), std::nullopt);
    }
    EXPECT_EQ(ran, 0);
}

TEST(OperationArchives, ReadBackReadyWithoutTouchingTheLiveOperation)
{
    auto live = post("http://h/x", { { "a", "1" } });
    live->setUsername("u", "p");
    live->setFreezable(true);
    live->addData(std::string("\0\x01\xFF", 3), "blob", "application/octet-stream", "b.bin");
    live->setHeader("X-Trace", "7");
    auto archive = live->encodeWithCoder();
    EXPECT_EQ(archive["state"], NetworkOperation::StateReady);
    EXPECT_EQ(live->state(), NetworkOperation::StateReady);

    auto back = NetworkOperation::initWithCoder(archive);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->state(), NetworkOperation::StateReady);
    EXPECT_EQ(back->url(), "http://h/x");
    EXPECT_EQ(back->HTTPMethod(), "POST");
    EXPECT_EQ(back->readonlyPostDictionary(), live->readonlyPostDictionary());
    EXPECT_EQ(back->readonlyRequest().valueForHTTPHeaderField("X-Trace"), "7");
    EXPECT_EQ(back->username(), "u");
    EXPECT_EQ(back->uniqueId(), live->uniqueId());
    // Binary parts survive the text format (the boundary is new each time).
    EXPECT_EQ(back->bodyData()->size(), live->bodyData()->size());
    EXPECT_NE(back->bodyData()->find(std::string("\r\n\r\n\0\x01\xFF\r\n", 9)), std::string::npos);
}

TEST(OperationArchives, DamagedArchivesAreRefusedNotFatal)
{
    auto good = post("http://h/x", {})->encodeWithCoder();
    for (auto damage : { "format", "request", "version" }) {
        auto broken = good;
        broken[damage] = 42;
        EXPECT_EQ(NetworkOperation::initWithCoder(broken), nullptr) << damage;
    }
    auto badURL = good;
    badURL["request"]["url"] = "no url at all";
    EXPECT_EQ(NetworkOperation::initWithCoder(badURL), nullptr);
    auto wrongTypes = good;
    wrongTypes["fieldsToBePosted"] = "x";
    wrongTypes["dataToBePosted"] = Json::array({ 1, Json::object() });
    wrongTypes["state"] = "executing";
    auto tolerated = NetworkOperation::initWithCoder(wrongTypes);
    ASSERT_TRUE(tolerated);
    EXPECT_EQ(tolerated->state(), NetworkOperation::StateReady);
}

TEST(EngineCache, TenSavesKeepNineInMemoryAndWriteTheOldest)
{
    auto directory = std::filesystem::temp_directory_path() / ("engine-cache-" + std::to_string(::getpid()));
    NetworkEngineCache cache(directory);
    cache.saveData("body", "aa");
    EXPECT_EQ(cache.memoryCount(), 0u) << "nothing is kept before the cache is enabled";
    cache.enable();
    for (int i = 0; i < 10; ++i)
        cache.saveData("body" + std::to_string(i), std::string(1, static_cast<char>('a' + i)) + "0");
    EXPECT_EQ(cache.memoryCount(), 9u);
    EXPECT_TRUE(std::filesystem::exists(directory / "a0"));
    cache.saveData("again", "j0");
    EXPECT_EQ(cache.memoryCount(), 9u) << "saving a key again moves it, it does not grow the list";
    EXPECT_EQ(cache.dataForKey("a0"), "body0");

    cache.setHeaders("b0", net::HTTPHeaders {});
    cache.empty();
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    EXPECT_FALSE(std::filesystem::exists(cache.indexFile()));
    std::filesystem::remove_all(directory);
}

TEST(EngineCache, BodiesOnDiskStayWithinTheirBoundLeastRecentlyWrittenFirst)
{
    auto directory = std::filesystem::temp_directory_path() / ("engine-bound-" + std::to_string(::getpid()));
    NetworkEngineCache cache(directory);
    cache.enable();
    cache.setMaximumDiskBytes(10000);
    auto key = [](int number) { return "ab" + std::to_string(number); };
    for (int number = 0; number < 30; ++number) {
        cache.saveData(std::string(1000, 'x'), key(number));
        cache.setHeaders(key(number), net::HTTPHeaders {});
    }
    // A frozen operation is not a body, and never goes for space.
    std::ofstream(directory / "ff.networkenginefrozenoperation") << std::string(20000, '{');
    cache.save();
    std::uint64_t bodies = 0;
    for (auto const& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension().empty())
            bodies += entry.file_size();
    }
    EXPECT_LE(bodies, 10000u);
    EXPECT_TRUE(std::filesystem::exists(directory / "ff.networkenginefrozenoperation"));
    EXPECT_EQ(cache.dataForKey(key(29)), std::string(1000, 'x'));
    EXPECT_EQ(cache.dataForKey(key(0)), std::nullopt);
    EXPECT_EQ(cache.headersForKey(key(0)), std::nullopt) << "an index entry outlived its body";
    auto const index = NetworkEngineCache::readIndex(foundation::Paths::readFile(cache.indexFile()).valueOr(""));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->count(key(0)), 0u);
    EXPECT_EQ(index->count(key(29)), 1u);
    cache.empty();
    std::filesystem::remove_all(directory);
}

TEST(EngineCache, IndexReaderKeepsOnlySoundEntries)
{
    EXPECT_EQ(NetworkEngineCache::readLegacyIndex("not json"), std::nullopt);
    EXPECT_EQ(NetworkEngineCache::readLegacyIndex("[1]"), std::nullopt);
    EXPECT_EQ(NetworkEngineCache::readIndex(R"({"0123abcd":{"ETag":"e"}})"), std::nullopt);
    EXPECT_EQ(NetworkEngineCache::readIndex(*foundation::PropertyList::write(Json::array())), std::nullopt);
    Json const entries = Json::parse(
        R"({"0123abcd":{"ETag":"e","Expires":7},"../escape":{"ETag":"x"},"ff":"text","ab":{"ETag":"a\r\nX: 1"}})");
    for (auto index : { NetworkEngineCache::readLegacyIndex(entries.dump()),
             NetworkEngineCache::readIndex(*foundation::PropertyList::write(entries)) }) {
        ASSERT_TRUE(index);
        ASSERT_EQ(index->size(), 2u);
        EXPECT_EQ(index->at("0123abcd").value("ETag"), "e");
        EXPECT_EQ(index->at("0123abcd").value("Expires"), std::nullopt);
        EXPECT_TRUE(index->at("ab").empty());
    }
}

TEST(EngineCache, AValidatorThePropertyListCannotHoldIsLeftOutNotTheWholeIndex)
{
    auto directory
        = std::filesystem::temp_directory_path() / ("engine-index-bytes-" + std::to_string(::getpid()));
    NetworkEngineCache cache(directory);
    // An entity tag may hold bytes that are not UTF-8 (obs-text), and an old JSON
    // index may hold a NUL, which no request can send.
    ASSERT_TRUE(foundation::Paths::writeFileAtomically(cache.legacyIndexFile(),
        R"({"ab":{"ETag":"\"v\u0000\"","Last-Modified":"Thu, 01 Jan 2037 00:00:00 GMT"}})"));
    cache.enable();
    ASSERT_TRUE(cache.headersForKey("ab"));
    EXPECT_EQ(cache.headersForKey("ab")->value("ETag"), std::nullopt);
    net::HTTPHeaders latin;
    latin.set("ETag", "\"caf\xE9\"");
    latin.set("Expires", "Thu, 01 Jan 2037 00:00:00 GMT");
    cache.setHeaders("cd", latin);
    cache.save();
    auto const index
        = NetworkEngineCache::readIndex(foundation::Paths::readFile(cache.indexFile()).valueOr(""));
    ASSERT_TRUE(index) << "the index was not written";
    EXPECT_EQ(index->at("ab").value("Last-Modified"), "Thu, 01 Jan 2037 00:00:00 GMT");
    EXPECT_EQ(index->at("cd").value("ETag"), std::nullopt);
    EXPECT_EQ(index->at("cd").value("Expires"), "Thu, 01 Jan 2037 00:00:00 GMT");
    EXPECT_FALSE(std::filesystem::exists(cache.legacyIndexFile()));
    cache.empty();
    std::filesystem::remove_all(directory);
}

TEST(EngineCache, IndexIsAPropertyListAndAJsonOneIsReadOnceThenReplaced)
{
    auto directory = std::filesystem::temp_directory_path() / ("engine-index-" + std::to_string(::getpid()));
    NetworkEngineCache cache(directory);
    auto const read
        = [](const std::filesystem::path& file) { return foundation::Paths::readFile(file).valueOr(""); };
    ASSERT_TRUE(foundation::Paths::writeFileAtomically(
        cache.legacyIndexFile(), R"({"ab":{"ETag":"\"v1\"","Expires":"Thu, 01 Jan 2037 00:00:00 GMT"}})"));
    cache.enable();
    EXPECT_EQ(cache.headersForKey("ab")->value("ETag"), "\"v1\"");
    EXPECT_EQ(cache.indexFile().extension(), ".plist");
    EXPECT_FALSE(std::filesystem::exists(cache.legacyIndexFile()));
    auto index = NetworkEngineCache::readIndex(read(cache.indexFile()));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->at("ab").value("Expires"), "Thu, 01 Jan 2037 00:00:00 GMT");

    // A damaged one is skipped, not fatal, and gives way to the next index written.
    std::filesystem::remove(cache.indexFile());
    ASSERT_TRUE(foundation::Paths::writeFileAtomically(cache.legacyIndexFile(), "{\"ab\":"));
    NetworkEngineCache again(directory);
    again.enable();
    EXPECT_EQ(again.headersForKey("ab"), std::nullopt);
    again.setHeaders("cd", net::HTTPHeaders {});
    again.save();
    EXPECT_FALSE(std::filesystem::exists(again.legacyIndexFile()));
    EXPECT_EQ(NetworkEngineCache::readIndex(read(again.indexFile()))->count("cd"), 1u);
    again.empty();
    std::filesystem::remove_all(directory);
}

namespace {

kit::LocalNotification notice(const std::string& body)
{
    kit::LocalNotification notification;
    notification.setAlertBody(body);
    notification.setAlertAction("查看");
    notification.setHasAction(false);
    return notification;
}

} // namespace

TEST(OperationNotifications, CopiesAndRetriesKeepTheNoticeAndTheFlag)
{
    auto original = post("http://h/x", { { "a", "1" } });
    original->setLocalNotification(notice("修改密码失败"));
    original->setShouldShowLocalNotificationOnError(true);
    for (auto copy : { original->copy(), original->copyForRetry() }) {
        EXPECT_EQ(copy->localNotification(), notice("修改密码失败"));
        EXPECT_TRUE(copy->shouldShowLocalNotificationOnError());
    }
    EXPECT_FALSE(post("http://h/x", {})->copyForRetry()->shouldShowLocalNotificationOnError());
}

TEST(OperationNotifications, ArchiveKeepsTheNoticeAndAnOldOrDamagedOneReadsAsNone)
{
    auto live = post("http://h/x", { { "a", "1" } });
    live->setFreezable(true);
    live->setLocalNotification(notice("网络恢复后将重新发送"));
    auto archive = live->encodeWithCoder();
    auto back = NetworkOperation::initWithCoder(archive);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->localNotification(), notice("网络恢复后将重新发送"));
    // Through the text a file holds, as a frozen operation is kept.
    auto reread = NetworkOperation::initWithCoder(Json::parse(archive.dump()));
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->localNotification(), notice("网络恢复后将重新发送"));

    auto none = NetworkOperation::initWithCoder(post("http://h/x", {})->encodeWithCoder());
    ASSERT_TRUE(none);
    EXPECT_EQ(none->localNotification(), std::nullopt);

    auto older = archive;
    older.erase("localNotification");
    auto damaged = archive;
    damaged["localNotification"] = "not a notice";
    for (const auto& changed : { older, damaged }) {
        auto operation = NetworkOperation::initWithCoder(changed);
        ASSERT_TRUE(operation) << "the request itself is still sound";
        EXPECT_EQ(operation->localNotification(), std::nullopt);
        EXPECT_EQ(operation->readonlyPostDictionary(), (Json { { "a", "1" } }));
    }
    auto wrongFields = archive;
    wrongFields["localNotification"] = Json { { "alertBody", 5 }, { "hasAction", "yes" } };
    auto partly = NetworkOperation::initWithCoder(wrongFields);
    ASSERT_TRUE(partly && partly->localNotification());
    EXPECT_EQ(partly->localNotification()->alertBody(), std::nullopt);
    EXPECT_TRUE(partly->localNotification()->hasAction());
}
