#include "till/TillLedgerFile.h"

#include "platform/foundation/Paths.h"
#include "till/TillLedger.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TillLedgerFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "till-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    std::filesystem::path file() const { return m_dir / "till.json"; }
    void write(const std::filesystem::path& path, const std::string& text) const
    {
        std::ofstream(path) << text;
    }
    static std::string read(const std::filesystem::path& path)
    {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }
    std::vector<std::filesystem::path> setAside() const
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
            if (entry.path().filename().string().starts_with("till.json.corrupt-"))
                found.push_back(entry.path());
        }
        return found;
    }

    std::filesystem::path m_dir;
};

TEST_F(TillLedgerFileTest, a_lost_reply_written_before_a_restart_still_holds_the_till_after_it)
{
    TillLedger ledger;
    TillLedger::Request request;
    request.kind = TillLedger::RequestKind::Barcode;
    request.code = "2800000001";
    request.money = "12.00";
    ledger.lost(ledger.sent(request));
    TillLedgerFile store(file());
    ASSERT_TRUE(store.save(ledger).isOk());
    struct stat info { };
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // A save cut short by a kill leaves its temporary file; the next load removes it.
    write(m_dir / "till.json.tmp-abcdef", "{");

    TillLedger restarted;
    auto loaded = TillLedgerFile(file()).load(restarted, 50);
    EXPECT_FALSE(loaded.damaged);
    EXPECT_TRUE(restarted.isHeld());
    EXPECT_EQ(restarted.codeState("2800000001"), TillLedger::CodeState::Unknown);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "till.json.tmp-abcdef"));

    // No file: an empty ledger, nothing reported.
    TillLedger fresh;
    EXPECT_FALSE(TillLedgerFile(m_dir / "none.json").load(fresh, 1).damaged);
    EXPECT_FALSE(fresh.isHeld());
}

TEST_F(TillLedgerFileTest, a_damaged_file_is_set_aside_kept_whole_reported_and_holds_the_till)
{
    for (const char* damaged : { "{\"version\":1,\"requests\":[", "[1,2]", "{\"version\":1}" }) {
        write(file(), damaged);
        TillLedger ledger;
        TillLedgerFile store(file());
        auto loaded = store.load(ledger, 1);
        EXPECT_TRUE(loaded.damaged) << damaged;
        ASSERT_TRUE(loaded.setAside) << damaged;
        EXPECT_EQ(read(*loaded.setAside), damaged);
        EXPECT_FALSE(std::filesystem::exists(file()));
        ASSERT_TRUE(ledger.isHeld());
        EXPECT_EQ(ledger.heldItems()[0].reason, TillLedger::HeldReason::DamagedRecord);
        // The hold itself outlives the next restart until the staff checked.
        ASSERT_TRUE(store.save(ledger).isOk());
        TillLedger again;
        EXPECT_FALSE(TillLedgerFile(file()).load(again, 2).damaged);
        EXPECT_TRUE(again.isHeld());
        again.heldChecked(again.heldItems());
        EXPECT_FALSE(again.isHeld());
    }
    // Each damaged file has a place of its own.
    EXPECT_EQ(setAside().size(), 3u);

    // Larger than any ledger: set aside unread.
    write(file(), std::string(TillLedgerFile::maxFileBytes + 1, ' '));
    TillLedger big;
    EXPECT_TRUE(TillLedgerFile(file()).load(big, 1).damaged);
    EXPECT_EQ(setAside().size(), 4u);
}

// A file cut short (a full disk, a kill during a copy) is set aside as
// damaged, yet what it holds before the cut is kept: the held purchase goes
// again under its own number, and the lost code is never sent again.
TEST_F(TillLedgerFileTest, a_file_cut_short_keeps_every_item_before_the_cut_and_is_set_aside_whole)
{
    TillLedger ledger;
    auto sale = ledger.saleFor(TillLedger::SaleKind::Purchase, "2");
    TillLedger::Parameters request { { "memberid", "2" }, { "reverseid", "1000" },
        { "totalprice", "100.00" } };
    ledger.saleSent(sale, request, foundation::Json::object());
    TillLedger::Request code;
    code.kind = TillLedger::RequestKind::Barcode;
    code.code = "2800000001";
    code.money = "12.00";
    ledger.lost(ledger.sent(code));
    TillLedger::Order order;
    order.orderid = "Q1";
    order.money = "8.00";
    ledger.following(order);
    ASSERT_TRUE(TillLedgerFile(file()).save(ledger).isOk());
    std::string whole = read(file());
    // Cut inside the order: the requests and the sales around it read whole.
    auto at = whole.find("\"Q1\"");
    ASSERT_NE(at, std::string::npos);
    for (std::string cut : { whole.substr(0, at + 2), whole.substr(0, whole.size() - 3) + "@" }) {
        write(file(), cut);
        TillLedger restarted;
        auto loaded = TillLedgerFile(file()).load(restarted, 50);
        EXPECT_TRUE(loaded.damaged);
        ASSERT_TRUE(loaded.setAside);
        EXPECT_EQ(read(*loaded.setAside), cut);
        EXPECT_EQ(restarted.codeState("2800000001"), TillLedger::CodeState::Unknown);
        ASSERT_TRUE(restarted.isDamaged());
        EXPECT_EQ(restarted.heldItems(TillLedger::MoneyAction::Other).size(), 1u);
        bool salesRead = cut.find("\"sales\"") != std::string::npos;
        if (salesRead) {
            EXPECT_EQ(restarted.saleFor(TillLedger::SaleKind::Purchase, "2"), sale);
            EXPECT_EQ(restarted.requestFor(sale, {}).at("reverseid"), "1000");
        } else {
            // Cut inside the order: it is dropped, not half read.
            EXPECT_EQ(restarted.order("Q1"), nullptr);
        }
    }
}

} // namespace
