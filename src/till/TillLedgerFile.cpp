#include "till/TillLedgerFile.h"

#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "till/TillLedger.h"

#include <cstdio>

std::filesystem::path TillLedgerFile::standardFile()
{
    return foundation::Paths::configDirectory() / "till.json";
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
    auto record = foundation::parseJsonObject(content.value());
    if (!record || !ledger.restore(*record, now))
        setAside(ledger, "not a till ledger", loaded);
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
