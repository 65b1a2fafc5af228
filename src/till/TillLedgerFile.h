#pragma once

#include "platform/foundation/Json.h"
#include "platform/foundation/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class TillLedger;

// The till's ledger in the home: one JSON file beside the settings
// (till.json), replaced atomically with mode 0600 after every change, as the
// settings are. A file that cannot be read whole, is larger than
// maxFileBytes or is not a ledger is never overwritten and never silently
// dropped: it is renamed to "<file>.corrupt-<UTC time>" (said on standard
// error), and the ledger starts marked damaged, which holds the till until
// the staff have checked the takings. What of it reads whole is kept all
// the same (a file cut short keeps every item before the cut), so that a
// member sale held to its request is not sent afresh. When even that
// rename fails, save() refuses to write and says why.
class TillLedgerFile {
public:
    // A ledger holds a few open sales and orders; far past that it is not ours.
    static constexpr std::uintmax_t maxFileBytes = 4 << 20;

    struct Loaded {
        bool damaged = false;
        // Where a damaged file went, and why it was set aside.
        std::optional<std::filesystem::path> setAside;
        std::string reason;
    };

    // The file in the home's configuration folder.
    static std::filesystem::path standardFile();

    // A record's text read as far as it reads: on a syntax error (a cut, a
    // garbled byte) `record` keeps the record and its lists as they stood,
    // with each item in a list whole (one cut short is dropped), and `cut`
    // is set. No record when the text does not start as an object.
    struct Read {
        std::optional<foundation::Json> record;
        bool cut = false;
    };
    static Read readRecord(std::string_view text);

    explicit TillLedgerFile(std::filesystem::path file);

    // Reads the file into `ledger` as a restart finds it (`now` in wall
    // seconds); no file is an empty ledger.
    Loaded load(TillLedger& ledger, double now);
    foundation::Result<void> save(const TillLedger& ledger);

    const std::filesystem::path& file() const { return m_file; }

private:
    void setAside(TillLedger& ledger, const std::string& reason, Loaded& loaded);

    std::filesystem::path m_file;
    std::optional<std::string> m_writeBlocked;
};
