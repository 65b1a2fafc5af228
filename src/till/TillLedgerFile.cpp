#include "till/TillLedgerFile.h"

#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "till/TillLedger.h"

#include <cstdio>
#include <vector>

namespace {

// Builds the record as far as its text reads, as nlohmann's own DOM builder
// would, and on the first syntax error stops with what it had.
class PartialRecord : public nlohmann::json_sax<foundation::Json> {
public:
    using Json = foundation::Json;

    bool null() override { return place(Json(nullptr)) != nullptr; }
    bool boolean(bool value) override { return place(Json(value)) != nullptr; }
    bool number_integer(number_integer_t value) override { return place(Json(value)) != nullptr; }
    bool number_unsigned(number_unsigned_t value) override { return place(Json(value)) != nullptr; }
    bool number_float(number_float_t value, const string_t&) override
    {
        return place(Json(value)) != nullptr;
    }
    bool string(string_t& value) override { return place(Json(std::move(value))) != nullptr; }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool key(string_t& key) override
    {
        m_key = std::move(key);
        return true;
    }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

    // After a stop: the item of a list (the record's third level) that was
    // still open is dropped, being cut short; the record and its lists stay.
    std::optional<Json> take()
    {
        if (m_open.size() >= 3) {
            Json& list = *m_open[1].value;
            if (list.is_array() && !list.empty())
                list.erase(list.size() - 1);
            else if (list.is_object())
                list.erase(m_open[2].key);
        }
        m_open.clear();
        if (!m_root || !m_root->is_object())
            return std::nullopt;
        return std::move(m_root);
    }

private:
    struct Open {
        Json* value = nullptr;
        std::string key; // under which it stands in its parent, an object
    };

    Json* place(Json value)
    {
        if (m_open.empty()) {
            if (m_root)
                return nullptr;
            m_root = std::move(value);
            return &*m_root;
        }
        Json& parent = *m_open.back().value;
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        Json& slot = parent[m_key];
        slot = std::move(value);
        return &slot;
    }
    bool open(Json container)
    {
        // No record nests this deep; a text that does is read no further.
        if (m_open.size() >= static_cast<std::size_t>(foundation::kMaxJsonDepth))
            return false;
        std::string key = m_key;
        Json* placed = place(std::move(container));
        if (!placed)
            return false;
        m_open.push_back({ placed, std::move(key) });
        return true;
    }
    bool close()
    {
        m_open.pop_back();
        return true;
    }

    std::optional<Json> m_root;
    std::vector<Open> m_open;
    std::string m_key;
};

} // namespace

std::filesystem::path TillLedgerFile::standardFile()
{
    return foundation::Paths::configDirectory() / "till.json";
}

TillLedgerFile::Read TillLedgerFile::readRecord(std::string_view text)
{
    PartialRecord builder;
    Read read;
    read.cut = !foundation::Json::sax_parse(text.data(), text.data() + text.size(), &builder);
    read.record = builder.take();
    return read;
}

TillLedgerFile::TillLedgerFile(std::filesystem::path file)
    : m_file(std::move(file))
{
}

TillLedgerFile::Loaded TillLedgerFile::load(TillLedger& ledger, double now)
{
    Loaded loaded;
    m_writeBlocked.reset();
    foundation::Paths::removeLeftoverTemporaryFiles(m_file);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(m_file, error)))
        return loaded;
    auto size = std::filesystem::file_size(m_file, error);
    if (!error && size > maxFileBytes) {
        setAside(ledger, "larger than " + std::to_string(maxFileBytes) + " bytes", loaded);
        return loaded;
    }
    auto content = foundation::Paths::readFile(m_file);
    if (content.isError()) {
        setAside(ledger, content.error().message(), loaded);
        return loaded;
    }
    auto read = readRecord(content.value());
    auto restored = read.record ? ledger.restore(*read.record, now) : TillLedger::Restored::Not;
    if (restored == TillLedger::Restored::Not)
        setAside(ledger, "not a till ledger", loaded);
    else if (read.cut || restored == TillLedger::Restored::Partly)
        setAside(ledger, "partly unreadable; what reads whole is kept", loaded);
    return loaded;
}

void TillLedgerFile::setAside(TillLedger& ledger, const std::string& reason, Loaded& loaded)
{
    loaded.damaged = true;
    loaded.reason = reason;
    // What it held is not known: the till waits for the takings to be checked.
    ledger.markDamaged();
    auto moved = foundation::Paths::setAside(m_file);
    if (moved.isError()) {
        m_writeBlocked = "till ledger " + m_file.string() + " (" + reason
            + ") could not be set aside: " + moved.error().message();
        std::fprintf(
            stderr, "till: %s; it is left as it is and nothing is written\n", m_writeBlocked->c_str());
        return;
    }
    loaded.setAside = moved.value();
    std::fprintf(stderr,
        "till: %s (%s) was set aside as %s; the till is held until the takings are checked\n", m_file.c_str(),
        reason.c_str(), moved.value().c_str());
}

foundation::Result<void> TillLedgerFile::save(const TillLedger& ledger)
{
    if (m_writeBlocked)
        return foundation::Error(*m_writeBlocked);
    std::string text = ledger.toJson().dump(1, ' ', false, foundation::Json::error_handler_t::replace);
    text += '\n';
    return foundation::Paths::writeFileAtomically(m_file, text, 0600);
}
