// The import journal: its digests, the keys of a file's lines, the file it
// is kept in and what happens when that file is damaged or cannot be
// written.
#include "statements/journal/import_journal.h"
#include "statements/journal/journal_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "statements/reader/statement_reader.h"
#include "tests/statements/version1_journal.h"

using namespace qf;

namespace {

std::string Hex(const Sha256Digest& d) { return ToHex(d.data(), d.size()); }

TEST(Sha256Test, PublishedVectors)
{
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.size());
        EXPECT_EQ(Hex(Sha256Of(c.message.data(), c.message.size())), c.digest);
        // The same fed in uneven pieces across block boundaries.
        Sha256 h;
        for (std::size_t at = 0, step = 1; at < c.message.size(); at += step, step = step * 3 % 127 + 1)
            h.Update(c.message.data() + at, std::min(step, c.message.size() - at));
        EXPECT_EQ(Hex(h.Finish()), c.digest);
    }

    // HMAC-SHA-256, RFC 4231 cases 1, 2 and 6 (a key longer than a block);
    // each MAC twice, for the state kept between messages.
    struct Mac {
        std::string key, message;
        const char* mac;
    };
    const Mac macs[] = {
        {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const Mac& m : macs) {
        HmacSha256 mac(m.key.data(), m.key.size());
        for (int round = 0; round < 2; ++round) {
            mac.Begin();
            mac.Update(m.message.data(), m.message.size());
            EXPECT_EQ(Hex(mac.Finish()), m.mac) << m.message << ", round " << round;
        }
    }
}

TEST(SipHashTest, ReferenceVectors)
{
    // The reference implementation's vectors: key 00 01 .. 0f, message of n
    // bytes 00 01 .. n-1.
    SipKey key;
    std::string message;
    for (int i = 0; i < 16; ++i)
        key[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 64; ++i)
        message.push_back(static_cast<char>(i));
    struct Case {
        std::size_t length;
        const char* wide;
        std::uint64_t narrow;
    };
    const Case cases[] = {
        {0, "a3817f04ba25a8e66df67214c7550293", 0x726fdb47dd0e0e31ull},
        {7, "a1f1ebbed8dbc153c0b84aa61ff08239", 0xab0200f58b01d137ull},
        {8, "3b62a9ba6258f5610f83e264f31497b4", 0x93f5f5799a932462ull},
        {15, "5493e99933b0a8117e08ec0f97cfc3d9", 0xa129ca6149be45e5ull},
        {63, "5150d1772f50834a503e069a973fbd7c", 0x958a324ceb064572ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const Sip128 wide = SipHash128(key, message.data(), c.length);
        EXPECT_EQ(ToHex(wide.data(), wide.size()), c.wide);
        EXPECT_EQ(SipHash64(key, message.data(), c.length), c.narrow);
        // The same fed in pieces.
        SipHasher pieces(key);
        for (std::size_t at = 0, step = 1; at < c.length; at += step, step = step % 5 + 2)
            pieces.Update(message.data() + at, std::min(step, c.length - at));
        EXPECT_EQ(pieces.Finish64(), c.narrow);
    }
}

// A statement file's lines as the import keeps them, and their texts.
struct StatementLines {
    TextArena texts;
    std::vector<StatementLine> lines;
};

// Statement files written into a folder of the test's own, and the lines
// they hold.
class JournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("qf_journal_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        key.fill(7);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }

    static std::string Row(const std::string& date, const std::string& narrative, const std::string& debit,
                           const std::string& credit = "", const std::string& type = "POS")
    {
        return "601613,31926819,Trading,QUILLFEN LTD,GBP,Current,NWBKGB2L,NatWest,Bath," + date + "," + narrative +
               ",,,,," + type + "," + debit + "," + credit;
    }

    // The keys of a statement file's lines, in file order; legacy, when
    // given, receives their keys as a format 1 journal with that key knew
    // them.
    std::vector<LineKey> Keys(const std::vector<std::string>& rows, const ImportJournal::Key& k,
                              const ImportJournal::LegacyKey* legacyKey = nullptr, std::vector<LineKey>* legacy = nullptr)
    {
        std::string text = "Sort Code,Account Number,Account Alias,Account Short Name,Currency,Account Type,BIC,"
                           "Bank Name,Branch Name,Date,Narrative #1,Narrative #2,Narrative #3,Narrative #4,"
                           "Narrative #5,Type,Debit,Credit\r\n";
        for (const std::string& row : rows)
            text += row + "\r\n";
        const std::string path = PathOf("statement.csv");
        std::ofstream(path, std::ios::binary) << text;
        CRBSTransactionFile file(path.c_str(), std::ios_base::in | std::ios_base::binary);
        EXPECT_TRUE(file.PrepareColumns());
        LineIdentifier identify(k, legacyKey);
        std::vector<LineKey> keys;
        CTransactionRecord record;
        TextArena texts;
        for (;;) {
            const auto line = file.ReadNext(record);
            if (line.kind == CRBSTransactionFile::LineKind::End)
                break;
            EXPECT_EQ(line.kind, CRBSTransactionFile::LineKind::Record);
            LineKey old;
            keys.push_back(identify.Identify(StatementLineOf(record, texts), &old));
            if (legacy)
                legacy->push_back(old);
        }
        return keys;
    }
    std::vector<LineKey> Keys(const std::vector<std::string>& rows) { return Keys(rows, key); }

    std::unique_ptr<StatementLines> LinesOf(const std::vector<std::string>& rows)
    {
        std::string text = "Sort Code,Account Number,Account Alias,Account Short Name,Currency,Account Type,BIC,"
                           "Bank Name,Branch Name,Date,Narrative #1,Narrative #2,Narrative #3,Narrative #4,"
                           "Narrative #5,Type,Debit,Credit\r\n";
        for (const std::string& row : rows)
            text += row + "\r\n";
        const std::string path = PathOf("lines.csv");
        std::ofstream(path, std::ios::binary) << text;
        CRBSTransactionFile file(path.c_str(), std::ios_base::in | std::ios_base::binary);
        EXPECT_TRUE(file.PrepareColumns());
        std::unique_ptr<StatementLines> read(new StatementLines);
        CTransactionRecord record;
        while (file.ReadNext(record).kind == CRBSTransactionFile::LineKind::Record)
            read->lines.push_back(StatementLineOf(record, read->texts));
        return read;
    }

    // One import of rows as the run makes it with "only the new lines", at
    // the time when; between runs after its new journal is written and
    // before it is put in place.
    SharedFile::Outcome ImportShared(const std::string& path, const std::vector<std::string>& rows, std::int64_t when,
                                     const std::function<void()>& between = nullptr)
    {
        const std::unique_ptr<StatementLines> values = LinesOf(rows);
        JournalFile file(path);
        ImportJournal journal;
        std::string why;
        if (file.Load(journal, why, 100) != JournalState::Read) {
            EXPECT_TRUE(ImportJournal::CreateNew(journal));
        }
        ImportedLines lines;
        lines.runs.emplace_back(values->lines.data(), values->lines.size());
        lines.imported = when;
        LineIdentifier identify(journal.HashKey());
        for (const StatementLine& line : values->lines) {
            const LineKey k = identify.Identify(line);
            lines.known.push_back(journal.Find(k) != nullptr);
            if (!lines.known.back())
                journal.AddNew(k, JournalDate(line.date), when);
        }
        journal.Prune();
        EXPECT_TRUE(file.WriteNext(journal, why)) << why;
        if (between)
            between();
        return file.Replace(journal, lines, 100, why);
    }

    // When the journal at path says the row was imported; 0 when it does
    // not know it.
    std::int64_t ImportedAt(const std::string& path, const std::string& row)
    {
        ImportJournal journal;
        std::string why;
        EXPECT_EQ(LoadJournal(path, journal, why), JournalState::Read) << why;
        const JournalEntry* entry = journal.Find(Keys({row}, journal.HashKey())[0]);
        return entry ? entry->imported : 0;
    }

    // Imports the lines the journal does not know, as the run does with
    // "only the new lines"; returns how many that were.
    long ImportNew(ImportJournal& journal, const std::vector<std::string>& rows, std::int64_t when = 202612090512)
    {
        long added = 0;
        for (const LineKey& k : Keys(rows, journal.HashKey()))
            if (!journal.Find(k)) {
                journal.AddNew(k, 20261201, when);
                ++added;
            }
        journal.Prune();
        return added;
    }

    std::filesystem::path dir;
    ImportJournal::Key key;
};

TEST_F(JournalTest, ALineIsKnownByItsValuesAndItsPlaceAmongIdenticalLines)
{
    const std::string card = Row("03/12/2026", "CARD 4471 CLOUDBOX", "9.99");
    const std::vector<std::string> rows = {
        card,                                                  // 0
        card,                                                  // 1: the second identical payment
        Row("04/12/2026", "CARD 4471 CLOUDBOX", "9.99"),       // 2: another day
        Row("03/12/2026", "CARD 4471 CLOUDBOX", "9.98"),       // 3: another amount
        Row("03/12/2026", "CARD 4471 CLOUDBOX", "", "9.99"),   // 4: a credit
        Row("03/12/2026", "CARD 4471 CLOUDBOY", "9.99"),       // 5: another narrative
        Row("03/12/2026", "CARD 4471 CLOUDBOX", "9.99", "", "BAC"), // 6: another type
        Row("03/12/2026", "\"CARD 4471 CLOUDBOX\"", "\"9.990\""),   // 7: the same values, written otherwise
        Row("03/12/2026", "CARD 4471 CLOUDBOX", "0.28"),       // 8 and 9: a penny apart, where 0.29 * 100
        Row("03/12/2026", "CARD 4471 CLOUDBOX", "0.29"),       //   falls just short of 29
    };
    const std::vector<LineKey> keys = Keys(rows);
    ASSERT_EQ(keys.size(), rows.size());
    EXPECT_EQ(keys[0].occurrence, 0u);
    EXPECT_EQ(keys[1].digest, keys[0].digest);
    EXPECT_EQ(keys[1].occurrence, 1u);
    for (std::size_t i = 2; i <= 6; ++i)
        EXPECT_NE(keys[i].digest, keys[0].digest) << "line " << i;
    EXPECT_EQ(keys[7].digest, keys[0].digest);
    EXPECT_EQ(keys[7].occurrence, 2u);
    EXPECT_NE(keys[9].digest, keys[8].digest);

    // Another key gives other digests: without it nothing can be matched.
    ImportJournal::Key other = key;
    other[0] ^= 1;
    EXPECT_NE(Keys({card}, other)[0].digest, keys[0].digest);
}

// Journals already written keep matching: a line's digests are what earlier
// releases made of it, in both formats.
TEST_F(JournalTest, DigestsStayAsEarlierReleasesMadeThem)
{
    const std::string bank = "601613,31926819,Trading,QUILLFEN LTD,GBP,Current,NWBKGB2L,NatWest,Bath,";
    struct Case {
        std::string row, digest, legacy;
    };
    const Case cases[] = {
        {bank + "03/12/2026,CARD 4471 CLOUDBOX,,REF 77,,X,POS,9.99,", "f0943fd5dbc77cb1ec74b83111e64c53",
         "3f4d179a3abb38eb4a7759f9baa4cf96"},
        {bank + "03/12/2026,,SECOND,,,,BAC,,120.5", "5ac34ee7ec1c7c50bfa2820a978f76e4",
         "bcfd468e5b47e47693b6889312ba45f3"},
    };
    ImportJournal::Key k;
    ImportJournal::LegacyKey legacyKey;
    for (std::size_t i = 0; i < k.size(); ++i)
        k[i] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < legacyKey.size(); ++i)
        legacyKey[i] = static_cast<std::uint8_t>(100 + i);
    std::vector<std::string> rows;
    for (const Case& c : cases)
        rows.push_back(c.row);
    std::vector<LineKey> legacy;
    const std::vector<LineKey> keys = Keys(rows, k, &legacyKey, &legacy);
    ASSERT_EQ(keys.size(), std::size(cases));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(ToHex(keys[i].digest.data(), keys[i].digest.size()), cases[i].digest) << "line " << i;
        EXPECT_EQ(ToHex(legacy[i].digest.data(), legacy[i].digest.size()), cases[i].legacy) << "line " << i;
    }
}

TEST_F(JournalTest, OnlyLinesNotImportedBeforeAreNew)
{
    std::vector<std::string> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back(Row("0" + std::to_string(i % 9 + 1) + "/12/2026", "PAYEE " + std::to_string(i), "1.00"));
    const std::string card = Row("03/12/2026", "CARD 4471 CLOUDBOX", "9.99");

    ImportJournal journal(key);
    // The same export twice, then two that overlap.
    EXPECT_EQ(ImportNew(journal, ten), 10);
    EXPECT_EQ(ImportNew(journal, ten), 0);
    ImportJournal overlap(key);
    EXPECT_EQ(ImportNew(overlap, {ten.begin(), ten.begin() + 6}), 6);
    EXPECT_EQ(ImportNew(overlap, {ten.begin() + 3, ten.end()}), 4);
    // One of two identical lines, then both.
    ImportJournal twins(key);
    EXPECT_EQ(ImportNew(twins, {card}), 1);
    EXPECT_EQ(ImportNew(twins, {card, card}), 1);
    EXPECT_EQ(ImportNew(twins, {card, card}), 0);
    EXPECT_EQ(twins.Size(), 2u);
}

TEST_F(JournalTest, FileRoundTripKeepsTheLatestImportAndTwoYears)
{
    ImportJournal journal;
    ASSERT_TRUE(ImportJournal::CreateNew(journal));
    ImportJournal second;
    ASSERT_TRUE(ImportJournal::CreateNew(second));
    EXPECT_NE(journal.HashKey(), second.HashKey()) << "every journal has a key of its own";

    auto keyOf = [](int n, std::uint32_t occurrence = 0) {
        LineKey k;
        k.digest.fill(static_cast<std::uint8_t>(n));
        k.occurrence = occurrence;
        return k;
    };
    journal.Add(keyOf(1), 20261209, 202612091000); // the newest transaction
    journal.Add(keyOf(2), 20241209, 202612091000); // exactly two years older: kept
    journal.Add(keyOf(3), 20241208, 202612091000); // a day more: dropped
    journal.Add(keyOf(4), 20250301, 202503021200);
    journal.Add(keyOf(4, 1), 20250301, 202503021200);
    journal.Prune();
    journal.Add(keyOf(4), 20250301, 202612091130); // imported again later
    journal.Add(keyOf(4), 20250301, 202501010000); // an older stamp never wins
    journal.Prune();

    const std::string path = PathOf("601613-31926819.journal");
    std::string why;
    ASSERT_TRUE(SaveJournal(path, journal, why)) << why;
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    ImportJournal read;
    ASSERT_EQ(LoadJournal(path, read, why), JournalState::Read) << why;
    EXPECT_EQ(read.HashKey(), journal.HashKey());
    EXPECT_EQ(read.Size(), 4u);
    EXPECT_EQ(read.Serialize(), journal.Serialize());
    struct Expect {
        LineKey key;
        std::int64_t imported; // 0: forgotten
    };
    for (const Expect& e : {Expect{keyOf(1), 202612091000}, Expect{keyOf(2), 202612091000}, Expect{keyOf(3), 0},
                            Expect{keyOf(4), 202612091130}, Expect{keyOf(4, 1), 202503021200}, Expect{keyOf(5), 0}}) {
        const JournalEntry* entry = read.Find(e.key);
        EXPECT_EQ(entry ? entry->imported : 0, e.imported) << int(e.key.digest[0]) << "#" << e.key.occurrence;
    }
    EXPECT_EQ(LoadJournal(PathOf("none.journal"), read, why), JournalState::Missing);

    // New lines not yet taken in are the newest too: the import prunes right
    // after adding them.
    ImportJournal later(key);
    later.Add(keyOf(1), 20241208, 202412091000);
    later.AddNew(keyOf(2), 20261209, 202612091000);
    later.Prune();
    EXPECT_EQ(later.Find(keyOf(1)), nullptr);
    EXPECT_NE(later.Find(keyOf(2)), nullptr);
}

TEST_F(JournalTest, TheFileHoldsNothingReadableOfTheLines)
{
    ImportJournal journal(key);
    const std::vector<std::string> rows = {Row("03/12/2026", "HARTLEY TIMBER", "1234.56"),
                                           Row("04/12/2026", "ASHFORD HOMES", "", "8642.19", "BAC")};
    ImportNew(journal, rows);
    const std::string text = journal.Serialize();
    for (const char* personal : {"HARTLEY", "ASHFORD", "1234", "123456", "8642", "864219", "POS", "BAC", "31926819"})
        EXPECT_EQ(text.find(personal), std::string::npos) << personal << " in\n" << text;
}

TEST_F(JournalTest, ADamagedJournalIsToldFromAWholeOne)
{
    ImportJournal journal(key);
    ImportNew(journal, {Row("03/12/2026", "A", "1.00"), Row("04/12/2026", "B", "2.00")});
    const std::string whole = journal.Serialize();
    const std::size_t firstEntry = 26 + 16 + 8 + 32;
    ASSERT_EQ(whole.size(), firstEntry + 2 * 32 + 8);
    std::string flipped = whole;
    flipped[firstEntry + 5] ^= 1; // a bit of the first digest
    // A date that is none, under a check that matches it.
    std::string noDate = whole.substr(0, whole.size() - 8);
    noDate[firstEntry + 20] = 0x7f;
    const std::uint64_t check = SipHash64(SipKey{}, noDate.data(), noDate.size());
    for (int i = 0; i < 8; ++i)
        noDate.push_back(static_cast<char>(check >> (8 * i)));
    std::string counted = whole;
    counted[26 + 16] = 3; // three entries said, two there
    // An import time that is none (hour 24, minute 60) under a check that
    // matches it, in either form; 23:59 reads.
    auto stamped = [this](std::int64_t imported) {
        ImportJournal one(key);
        one.Add(LineKey{}, 20261201, imported);
        return one.Serialize();
    };
    auto stampedVersion1 = [](const char* imported) {
        std::string text = test::kVersion1Journal;
        text.replace(text.find("202612010930"), 12, imported);
        const std::size_t end = text.find("end 3 ");
        return text.replace(end + 6, 64, Hex(Sha256Of(text.data(), end)));
    };
    ImportJournal late;
    std::string lateWhy;
    EXPECT_TRUE(late.Parse(stamped(202612012359), lateWhy)) << lateWhy;
    EXPECT_TRUE(late.Parse(stampedVersion1("202612012359"), lateWhy)) << lateWhy;
    std::string random(400, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>(i * 7919 % 251);
    const std::string cases[] = {
        "",
        whole.substr(0, whole.size() - 1),
        whole.substr(0, firstEntry),
        whole.substr(0, whole.size() / 2),
        whole + "\n",
        flipped,
        noDate,
        counted,
        stamped(202612012400),
        stamped(202612010960),
        stampedVersion1("202612012400"),
        stampedVersion1("202612010960"),
        random,
        "Quillfen import journal 2\n" + random,
        "Quillfen import journal 1\n" + random,
        std::string(test::kVersion1Journal).substr(0, 150),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(&text - cases);
        ImportJournal read;
        std::string why;
        EXPECT_FALSE(read.Parse(text, why));
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(read.Size(), 0u);
    }
    // On disk: damaged, and a folder in the journal's place is unreadable.
    std::ofstream(PathOf("cut.journal"), std::ios::binary) << whole.substr(0, whole.size() - 20);
    ImportJournal read;
    std::string why;
    EXPECT_EQ(LoadJournal(PathOf("cut.journal"), read, why), JournalState::Damaged);
    std::filesystem::create_directories(PathOf("folder.journal"));
    EXPECT_EQ(LoadJournal(PathOf("folder.journal"), read, why), JournalState::Unreadable);
}

TEST_F(JournalTest, LinesInAJournalOfTheEarlierFormatStayKnown)
{
    auto payee = [this](int n, const char* day) {
        return Row(std::string(day) + "/12/2026", "PAYEE " + std::to_string(n), std::to_string(n) + ".00", "", "BAC");
    };
    const std::string path = PathOf("601613-31926819.journal");
    std::ofstream(path, std::ios::binary) << test::kVersion1Journal;
    ImportJournal journal;
    std::string why;
    ASSERT_EQ(LoadJournal(path, journal, why), JournalState::Read) << why;
    ASSERT_TRUE(journal.HasLegacy());
    EXPECT_EQ(journal.Size(), 3u);
    ImportJournal again;
    ASSERT_EQ(LoadJournal(path, again, why), JournalState::Read);
    EXPECT_EQ(again.HashKey(), journal.HashKey()) << "the same new key at every reading";

    // The three payments of the old journal and a new one.
    const std::vector<std::string> rows = {payee(1, "02"), payee(2, "03"), payee(3, "04"), payee(4, "05")};
    std::vector<LineKey> legacy;
    const std::vector<LineKey> keys = Keys(rows, journal.HashKey(), &journal.LegacyHashKey(), &legacy);
    ASSERT_EQ(legacy.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(journal.FindLegacy(legacy[static_cast<std::size_t>(i)]) != nullptr, i < 3) << i;
        EXPECT_EQ(journal.Find(keys[static_cast<std::size_t>(i)]), nullptr) << i;
    }
    EXPECT_EQ(journal.FindLegacy(legacy[1])->imported, 202612010931);

    // Written back in the new format, the old entries go along until they are
    // two years older than the newest transaction.
    journal.Add(keys[3], 20261205, 202612091000);
    journal.Prune();
    ASSERT_TRUE(SaveJournal(path, journal, why)) << why;
    ImportJournal read;
    ASSERT_EQ(LoadJournal(path, read, why), JournalState::Read) << why;
    EXPECT_EQ(read.Serialize().compare(0, 26, "Quillfen import journal 2\n"), 0);
    EXPECT_NE(read.Find(keys[3]), nullptr);
    EXPECT_NE(read.FindLegacy(legacy[0]), nullptr);
    read.Add(keys[0], 20281203, 202812031000);
    read.Prune();
    EXPECT_EQ(read.FindLegacy(legacy[0]), nullptr) << "2 December 2026: over two years before";
    EXPECT_NE(read.FindLegacy(legacy[1]), nullptr);
    EXPECT_EQ(read.Size(), 4u);
}

TEST(BlockListTest, ElementsStayPutAcrossBlocks)
{
    BlockList<std::uint64_t> list;
    const std::size_t n = 3 * BlockList<std::uint64_t>::kPerBlock + 5;
    const std::uint64_t* first = &list.push_back(0);
    for (std::size_t i = 1; i < n; ++i)
        list.push_back(i);
    EXPECT_EQ(&list[0], first) << "an element never moves";
    EXPECT_EQ(list.RemoveIf([](std::uint64_t v) { return v % 3 == 0; }), (n + 2) / 3);
    ASSERT_EQ(list.size(), n - (n + 2) / 3);
    for (std::size_t i = 0; i < list.size(); ++i)
        ASSERT_EQ(list[i], i / 2 * 3 + 1 + i % 2) << i;

    SlotTable slots;
    slots.Reset(1 << 16); // four pages
    slots[0] = 1;
    slots[(1 << 16) - 1] = 2;
    slots[1 << 14] = 3;
    EXPECT_EQ(slots[0] + slots[(1 << 16) - 1] + slots[1 << 14] + slots[(1 << 14) - 1], 6u);

    TextArena texts;
    const std::string big(100000, 'x');
    const char* a = texts.Keep("abc", 3);
    const char* b = texts.Keep(big.data(), big.size());
    const char* c = texts.Keep("de", 2);
    EXPECT_EQ(std::string(a, 3) + std::string(b, big.size()) + std::string(c, 2), "abc" + big + "de");
}

TEST_F(JournalTest, ALargeJournalRoundTrips)
{
    // More entries than a block holds, some added new and some again.
    ImportJournal journal(key);
    auto keyOf = [](std::uint32_t n) {
        LineKey k;
        std::memcpy(k.digest.data(), &n, sizeof n);
        k.digest[15] = 1;
        return k;
    };
    for (std::uint32_t n = 0; n < 5000; ++n)
        journal.Add(keyOf(n), 20261201, 202612010900);
    for (std::uint32_t n = 5000; n < 9000; ++n)
        journal.AddNew(keyOf(n), 20261202, 202612020900);
    journal.Add(keyOf(7), 20261201, 202612030900);
    journal.Prune();
    ImportJournal read;
    std::string why;
    ASSERT_TRUE(read.Parse(journal.Serialize(), why)) << why;
    ASSERT_EQ(read.Size(), 9000u);
    for (std::uint32_t n = 0; n < 9000; ++n)
        ASSERT_NE(read.Find(keyOf(n)), nullptr) << n;
    EXPECT_EQ(read.Find(keyOf(7))->imported, 202612030900);
    EXPECT_EQ(read.Find(keyOf(9000)), nullptr);
}

std::size_t FailingWrite(const void*, std::size_t size, std::FILE*) { return size / 2; }

TEST_F(JournalTest, AFailedWriteLosesNothing)
{
    ImportJournal journal(key);
    ImportNew(journal, {Row("03/12/2026", "A", "1.00")});
    const std::string path = PathOf("601613-31926819.journal");
    std::string why;
    ASSERT_TRUE(SaveJournal(path, journal, why)) << why;
    const std::string before = journal.Serialize();
    ImportNew(journal, {Row("04/12/2026", "B", "2.00")});

    const auto previous = detail::SetJournalWrite(FailingWrite);
    EXPECT_FALSE(SaveJournal(path, journal, why));
    detail::SetJournalWrite(previous);
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    std::ifstream in(path, std::ios::binary);
    std::stringstream kept;
    kept << in.rdbuf();
    EXPECT_EQ(kept.str(), before);

    // A folder that does not exist cannot take the new file either.
    EXPECT_FALSE(SaveJournal(PathOf("missing/x.journal"), journal, why));
}

// Two imports of one account in two processes: the one that puts its journal
// in place last finds the other's there and keeps its lines.
TEST_F(JournalTest, AnImportKeepsTheLinesAnotherWroteMeanwhile)
{
    const std::vector<std::string> rows = {
        Row("01/12/2026", "PAYEE 0", "1.00"), Row("02/12/2026", "PAYEE 1", "1.00"),
        Row("03/12/2026", "PAYEE 2", "1.00"), Row("04/12/2026", "PAYEE 3", "1.00"),
        Row("01/06/2024", "PAYEE 4", "1.00"), // two and a half years before the others
    };
    const std::int64_t before = 202612011000, ours = 202612091100, theirs = 202612091200;
    enum Other { Nothing, Imports, Removes, Damages };
    struct Case {
        const char* what;
        bool journal;             // the account has a journal (of line 0) when this import starts
        Other other;              // what another import does meanwhile
        std::vector<int> others;  // the lines it imports
        std::vector<int> lines;   // this import's lines
        std::vector<std::int64_t> known; // when each row is imported afterwards (0: unknown)
    };
    const Case cases[] = {
        {"nobody else", true, Nothing, {}, {1}, {before, ours, 0, 0, 0}},
        {"another import adds lines", true, Imports, {2, 3}, {1}, {before, ours, theirs, theirs, 0}},
        {"a line in both keeps the later time", true, Imports, {1, 2}, {1}, {before, theirs, theirs, 0, 0}},
        {"both begin the journal, each with a key", false, Imports, {2}, {1}, {0, ours, theirs, 0, 0}},
        {"pruning still applies", false, Imports, {4}, {3}, {0, 0, 0, ours, 0}},
        {"the journal is removed (forgotten)", true, Removes, {}, {1}, {0, ours, 0, 0, 0}},
        {"the journal is damaged", true, Damages, {}, {1}, {before, ours, 0, 0, 0}},
    };
    const std::string path = PathOf("601613-31926819.journal");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* suffix : {"", ".damaged"})
            std::filesystem::remove(path + suffix);
        if (c.journal) {
            ASSERT_EQ(ImportShared(path, {rows[0]}, before), SharedFile::Outcome::Replaced);
        }
        auto pick = [&rows](const std::vector<int>& which) {
            std::vector<std::string> picked;
            for (int i : which)
                picked.push_back(rows[static_cast<std::size_t>(i)]);
            return picked;
        };
        EXPECT_EQ(ImportShared(path, pick(c.lines), ours,
                               [&] {
                                   if (c.other == Imports) {
                                       EXPECT_EQ(ImportShared(path, pick(c.others), theirs),
                                                 SharedFile::Outcome::Replaced);
                                   } else if (c.other == Removes)
                                       std::filesystem::remove(path);
                                   else if (c.other == Damages)
                                       std::filesystem::resize_file(path, 40);
                               }),
                  SharedFile::Outcome::Replaced);
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(ImportedAt(path, rows[i]), c.known[i]) << "row " << i;
        EXPECT_EQ(std::filesystem::exists(path + ".damaged"), c.other == Damages);
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            EXPECT_EQ(entry.path().string().find(".new"), std::string::npos) << entry.path();
    }

    // A lock held elsewhere beyond the wait: nothing changes, and the new
    // journal goes.
    const std::string kept = [&] {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }();
    platform::FileLock held;
    std::string why;
    ASSERT_EQ(held.Lock(path + ".lock", 0, why), platform::FileLock::Result::Held) << why;
    EXPECT_EQ(ImportShared(path, {rows[2]}, ours), SharedFile::Outcome::Busy);
    held.Unlock();
    EXPECT_EQ(ImportedAt(path, rows[2]), 0);
    EXPECT_EQ(ImportedAt(path, rows[0]), before);
    EXPECT_EQ(std::filesystem::file_size(path), kept.size());
    EXPECT_EQ(ImportShared(path, {rows[2]}, ours), SharedFile::Outcome::Replaced);
    EXPECT_EQ(ImportedAt(path, rows[2]), ours);
}

} // namespace
