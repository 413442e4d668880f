// The record of paid payments: the check of a batch, the file and its
// sharing between processes. Run with "--writer PATH ID ROUNDS" the program
// is one of the writers of the sharing test (natively: it forks).
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "payments/paid/paid_check.h"
#include "payments/paid/paid_record_file.h"
#include "platform/file_lock.h"

using namespace qf;

namespace {

const std::int64_t kNow = 202703311030;

PaidPayment Payment(int n, std::int64_t pence = 1250, const std::string& reference = "INV")
{
    return {"60" + std::to_string(1000 + n % 9000), std::to_string(31926800 + n), pence, reference + std::to_string(n)};
}

std::vector<PaidPayment> Payments(int from, int count, int writer = 0)
{
    std::vector<PaidPayment> batch;
    for (int n = from; n < from + count; ++n)
        batch.push_back(Payment(n + writer * 100000));
    return batch;
}

PaidAddition Addition(std::vector<PaidPayment> payments, std::int64_t written, const std::string& file)
{
    return {std::move(payments), static_cast<std::int32_t>(written / 10000), written, 2, file};
}

std::string Little(std::uint64_t value, int bytes)
{
    std::string text(static_cast<std::size_t>(bytes), '\0');
    PutLittle(&text[0], value, bytes);
    return text;
}

// Whether text is refused as a record, with a reason and nothing read.
bool Refused(const std::string& text)
{
    PaidRecord read;
    std::string why;
    return !read.Parse(text, why) && !why.empty() && read.Size() == 0;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One writer of the sharing test: rounds of load, add three payments, save.
int Writer(const std::string& path, int id, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        PaidRecordFile file(path);
        PaidRecord record;
        std::string why;
        const FileState state = file.Load(record, why);
        if (state != FileState::Read && state != FileState::Missing)
            return 2;
        const PaidAddition added = Addition(Payments(round * 3, 3, id), 202701011200 + round / 60 * 100 + round % 60, "w" + std::to_string(id));
        if (file.Save(record, added, 202701020000, why) != SharedFile::Outcome::Replaced) {
            std::fprintf(stderr, "writer %d round %d: %s\n", id, round, why.c_str());
            return 1;
        }
    }
    return 0;
}

class PaidRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("quillfen-paid-" + std::to_string(platform::ProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(PaidRecord::CreateNew(record));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string PathOf(const char* name) const { return (dir / name).string(); }

    std::filesystem::path dir;
    PaidRecord record;
};

// A batch after earlier writings: each payment's result, as N (none), P
// (paid before) or the index of the first of its twins.
TEST_F(PaidRecordTest, TheCheckFindsPaymentsPaidBeforeAndTwins)
{
    struct Writing {
        int from, count;
        std::int64_t written;
    };
    struct Case {
        const char* what;
        std::vector<Writing> writings;
        std::vector<PaidPayment> batch;
        int days;
        const char* expected;
    };
    const PaidPayment a = Payment(1), b = Payment(2);
    const Case cases[] = {
        {"the same batch twice", {{0, 4, 202703300900}}, Payments(0, 4), 30, "PPPP"},
        {"ten after six of them", {{0, 6, 202703300900}}, Payments(0, 10), 30, "PPPPPPNNNN"},
        {"twins; another reference or amount is none",
         {},
         {a, b, a, Payment(1, 1250, "REF"), Payment(1, 1251), b},
         30,
         "NN0NN1"},
        {"paid before wins over twin", {{1, 1, 202703300900}}, {a, a}, 30, "PP"},
        {"from the same minute days days before", {{0, 1, 202703011030}, {1, 1, 202703011029}}, Payments(0, 2), 30,
         "PN"},
        {"across a year's end", {{0, 1, 202612311030}, {1, 1, 202612311029}}, Payments(0, 2), 90, "PN"},
        {"days 0 turns it off, not the twins", {{0, 2, 202703300900}}, {a, a, b}, 0, "N0N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PaidRecord paid(record.HashKey());
        for (const Writing& w : c.writings)
            paid.Add(Payments(w.from, w.count), 20270401, w.written, 1, "PAY" + std::to_string(w.written) + ".csv");
        const std::vector<PaidCheck> checks = CheckPaid(&paid, c.batch, kNow, c.days);
        ASSERT_EQ(checks.size(), c.batch.size());
        std::string got;
        for (const PaidCheck& check : checks)
            got += check.kind == PaidCheck::Kind::None         ? 'N'
                   : check.kind == PaidCheck::Kind::PaidBefore ? 'P'
                                                               : static_cast<char>('0' + check.twinOf);
        EXPECT_EQ(got, c.expected);
    }
    // No record (it could not be read): twins only.
    const std::vector<PaidCheck> unread = CheckPaid(nullptr, {a, b, a}, kNow, 30);
    EXPECT_EQ(unread[2].kind, PaidCheck::Kind::Twin);
    EXPECT_EQ(unread[0].kind, PaidCheck::Kind::None);
    // Paid twice: the latest writing is told, with its date and file.
    record.Add({a}, 20270310, 202703091000, 0, "MARCH.csv");
    record.Add({a}, 20270320, 202703191000, 3, "LATER.csv");
    record.Add({a}, 20270301, 202702281000, 1, "EARLY.csv");
    const PaidCheck told = CheckPaid(&record, {a}, kNow, 60)[0];
    EXPECT_EQ(told.before.fileName, "LATER.csv");
    EXPECT_EQ(told.before.processingDate, 20270320);
    EXPECT_EQ(told.before.written, 202703191000);
    EXPECT_EQ(told.before.layout, 3);
}

TEST_F(PaidRecordTest, RoundTripKeepsEntriesAndListsWritingsWithNothingReadableOfPayees)
{
    record.Add(Payments(0, 3), 20270402, 202703311000, 1, "second.csv");
    record.Add(Payments(3, 2), 20270401, 202703300900, 0, "first.csv");
    record.Add(Payments(5, 1), 20270403, 202703311000, 2, "another.csv");
    const std::string bytes = record.Serialize();
    PaidRecord read;
    std::string why;
    ASSERT_TRUE(read.Parse(bytes, why)) << why;
    EXPECT_EQ(read.Size(), 6u);
    EXPECT_EQ(read.HashKey(), record.HashKey());
    EXPECT_EQ(read.Serialize(), bytes);
    ASSERT_TRUE(read.Find(Payment(4), 0));
    EXPECT_EQ(read.Find(Payment(4), 0)->fileName, "first.csv");
    EXPECT_FALSE(read.Find(Payment(6), 0));

    const std::vector<PaidWriting> writings = read.Writings();
    ASSERT_EQ(writings.size(), 3u);
    EXPECT_EQ(writings[0].fileName, "first.csv");
    EXPECT_EQ(writings[0].count, 2u);
    EXPECT_EQ(writings[1].fileName, "another.csv");
    EXPECT_EQ(writings[2].fileName, "second.csv");
    EXPECT_EQ(writings[2].processingDate, 20270402);
    EXPECT_EQ(writings[2].count, 3u);

    for (const std::string& personal : {Payment(0).payeeAccount, Payment(0).payeeSortCode, Payment(0).reference})
        EXPECT_EQ(bytes.find(personal), std::string::npos) << personal;
}

TEST_F(PaidRecordTest, SavingForgetsWhatWasWrittenMoreThanThirteenMonthsBefore)
{
    // Now is 31 March 2027 10:30; thirteen months before is 28 February 2026
    // 10:30.
    const struct {
        std::int64_t written;
        bool kept;
    } cases[] = {{202602281030, true}, {202602281029, false}, {202603011200, true}, {202512311200, false}};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        record.Add({Payment(static_cast<int>(i))}, 20260301, cases[i].written, 0, "F" + std::to_string(i));
    PaidRecordFile file(PathOf("record"));
    std::string why;
    ASSERT_EQ(file.Save(record, {}, kNow, why), SharedFile::Outcome::Replaced) << why;
    PaidRecord read;
    ASSERT_EQ(file.Load(read, why), FileState::Read) << why;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(read.Find(Payment(static_cast<int>(i)), 0).has_value(), cases[i].kept) << i;
    EXPECT_EQ(read.Writings().size(), 2u); // the names of the dropped ones went too
}

TEST_F(PaidRecordTest, ADamagedRecordIsRefused)
{
    record.Add(Payments(0, 2), 20270401, 202703300900, 1, "PAY.csv");
    const std::string whole = record.Serialize();
    const std::size_t firstEntry = 23 + 16 + 8 + 2 + 7;
    ASSERT_EQ(whole.size(), firstEntry + 2 * 33 + 8);
    // Changed bytes under a check made to match them.
    auto rechecked = [&whole](std::size_t at, const std::string& bytes) {
        std::string text = whole.substr(0, whole.size() - 8);
        text.replace(at, bytes.size(), bytes);
        const std::uint64_t check = SipHash64(SipKey{}, text.data(), text.size());
        for (int i = 0; i < 8; ++i)
            text.push_back(static_cast<char>(check >> (8 * i)));
        return text;
    };
    std::string random(600, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>(i * 7919 % 251);
    std::string flipped = whole;
    flipped[firstEntry + 3] ^= 1;
    const std::string cases[] = {
        "",
        whole.substr(0, 10),
        whole.substr(0, 23 + 16 + 5),
        whole.substr(0, firstEntry - 3),
        whole.substr(0, firstEntry + 40),
        whole.substr(0, whole.size() - 1),
        whole + "x",
        flipped,
        random,
        "Quillfen paid record 1\n" + random,
        rechecked(23 + 16 + 4, Little(3, 4)),           // three entries said, two there
        rechecked(23 + 16, Little(0xffffffff, 4)),      // four billion names
        rechecked(firstEntry + 16, Little(20270230, 4)), // 30 February
        rechecked(firstEntry + 20, Little(202703300960, 8)), // minute 60
        rechecked(firstEntry + 28, Little(1, 4)),       // the file of a name not there
        rechecked(firstEntry + 32, Little(4, 1)),       // layout 4
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(Refused(cases[i])) << "case " << i;
    // On disk: damaged, unreadable (a folder in its place), missing.
    std::ofstream(PathOf("cut"), std::ios::binary) << whole.substr(0, whole.size() - 20);
    PaidRecord read;
    std::string why;
    EXPECT_EQ(PaidRecordFile(PathOf("cut")).Load(read, why), FileState::Damaged);
    std::filesystem::create_directories(PathOf("folder"));
    EXPECT_EQ(PaidRecordFile(PathOf("folder")).Load(read, why), FileState::Unreadable);
    EXPECT_EQ(PaidRecordFile(PathOf("none")).Load(read, why), FileState::Missing);
}

std::size_t HalfWrite(const void*, std::size_t size, std::FILE*) { return size / 2; }

TEST_F(PaidRecordTest, AFailedSaveLeavesTheEarlierRecordWhole)
{
    const std::string path = PathOf("record");
    std::string why;
    PaidRecordFile first(path);
    ASSERT_EQ(first.Save(record, Addition(Payments(0, 2), 202703300900, "A.csv"), kNow, why),
              SharedFile::Outcome::Replaced)
        << why;
    const std::string before = Contents(path);

    PaidRecordFile second(path);
    PaidRecord read;
    ASSERT_EQ(second.Load(read, why), FileState::Read) << why;
    const auto previous = detail::SetBinaryWrite(HalfWrite);
    EXPECT_EQ(second.Save(read, Addition(Payments(2, 2), 202703311000, "B.csv"), kNow, why),
              SharedFile::Outcome::Failed);
    detail::SetBinaryWrite(previous);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(Contents(path), before);
    // Nor is a record saved that would not read again: 30 February.
    EXPECT_EQ(second.Save(read, Addition(Payments(2, 2), 202702301000, "B.csv"), kNow, why),
              SharedFile::Outcome::Failed);
    EXPECT_EQ(Contents(path), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos) << entry.path();
}

// Two runs on one account's record: the one that saves last finds the
// other's record in place and adds its payments to it.
TEST_F(PaidRecordTest, ASaveKeepsWhatAnotherSavedMeanwhile)
{
    enum Other { Nothing, Saves, Removes, Damages, Forgets };
    struct Case {
        const char* what;
        bool earlier; // payments 0..1 were recorded before both runs
        Other other;
        std::vector<int> expected; // payments 0..5 recorded afterwards: 1, else 0
    };
    // This run records 2..3, the other 4..5.
    const Case cases[] = {
        {"nobody else", true, Nothing, {1, 1, 1, 1, 0, 0}},
        {"another run saves", true, Saves, {1, 1, 1, 1, 1, 1}},
        {"both begin the record, each with a key", false, Saves, {0, 0, 1, 1, 1, 1}},
        {"the record is removed", true, Removes, {0, 0, 1, 1, 0, 0}},
        {"the record is forgotten", true, Forgets, {0, 0, 1, 1, 0, 0}},
        {"the record is damaged", true, Damages, {1, 1, 1, 1, 0, 0}},
    };
    const std::string path = PathOf("record");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* suffix : {"", ".damaged"})
            std::filesystem::remove(path + suffix);
        std::string why;
        if (c.earlier) {
            PaidRecord first;
            ASSERT_EQ(PaidRecordFile(path).Save(first, Addition(Payments(0, 2), 202703011000, "0.csv"), kNow, why),
                      SharedFile::Outcome::Replaced);
        }
        PaidRecordFile ours(path), theirs(path);
        PaidRecord ourRecord, theirRecord;
        ours.Load(ourRecord, why);
        theirs.Load(theirRecord, why);
        if (c.other == Saves) {
            ASSERT_EQ(theirs.Save(theirRecord, Addition(Payments(4, 2), 202703311000, "4.csv"), kNow, why),
                      SharedFile::Outcome::Replaced);
        } else if (c.other == Removes) {
            std::filesystem::remove(path);
        } else if (c.other == Forgets) {
            ASSERT_EQ(theirs.Forget(why), SharedFile::Outcome::Replaced) << why;
        } else if (c.other == Damages) {
            std::filesystem::resize_file(path, 40);
        }
        ASSERT_EQ(ours.Save(ourRecord, Addition(Payments(2, 2), 202703311020, "2.csv"), kNow, why),
                  SharedFile::Outcome::Replaced)
            << why;
        PaidRecord read;
        ASSERT_EQ(PaidRecordFile(path).Load(read, why), FileState::Read) << why;
        EXPECT_EQ(read.Serialize(), ourRecord.Serialize()) << "the record saved is the one in place";
        for (int n = 0; n < 6; ++n)
            EXPECT_EQ(read.Find(Payment(n), 0).has_value(), c.expected[static_cast<std::size_t>(n)] == 1) << n;
        EXPECT_EQ(std::filesystem::exists(path + ".damaged"), c.other == Damages);
    }
}

#ifndef _WIN32
// Two processes save rounds into one record at once: every payment of both
// is in it afterwards.
TEST_F(PaidRecordTest, TwoProcessesSavingAtOnceLoseNothing)
{
    const std::string path = PathOf("record");
    const int rounds = 100;
    std::vector<pid_t> writers;
    for (int id = 1; id <= 2; ++id) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string idText = std::to_string(id), roundsText = std::to_string(rounds);
            ::execl("/proc/self/exe", "paid_record_test", "--writer", path.c_str(), idText.c_str(),
                    roundsText.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid << " status " << status;
    }
    PaidRecord read;
    std::string why;
    ASSERT_EQ(PaidRecordFile(path).Load(read, why), FileState::Read) << why;
    EXPECT_EQ(read.Size(), static_cast<std::size_t>(2 * rounds * 3));
    for (int id = 1; id <= 2; ++id)
        for (const PaidPayment& payment : Payments(0, rounds * 3, id))
            ASSERT_TRUE(read.Find(payment, 0)) << "writer " << id << " " << payment.reference;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--writer")
        return Writer(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
