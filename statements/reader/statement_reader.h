// The statement reader. CRBSTransactionFile reads the bank's comma-separated statement export:
// a header line, whose field count (14 or 18) identifies the file, then one
// transaction per line.
//
//   CRBSTransactionFile file(path, std::ios::in | std::ios::binary);
//   if (file.PrepareColumns()) {
//       CTransactionRecord record;
//       while (file.ReadRecord(record)) { ... }
//   }
//
// Failures are never thrown at the caller: they are boolean results plus
// diagnostic messages on the debug output. Each reader has its own column
// map and line, so readers are independent of one another.
//
// ReadNext is the import's way through a file: it tells blank lines,
// unreadable lines (with the reason) and the end of the file apart, and
// goes on after a line it cannot take.
#pragma once
#include <cstdint>
#include <fstream>
#include <vector>

#include "statements/reader/statement_fields.h"
#include "statements/statement_import_report.h"
#include "statements/reader/transaction_record.h"

namespace qf {

class CRBSTransactionFile {
public:
    // Longest line read; the rest of a longer line is not read, and the
    // stream's failure then ends the file.
    static constexpr int kMaxLineLength = 2047;
    // The two layouts of the export, by their header's field count; the
    // short layout's count is also the fewest fields a data line may have.
    static constexpr std::int32_t kShortLayoutFields = 14;
    static constexpr std::int32_t kFullLayoutFields = 18;
    static constexpr bool IsStatementHeader(std::int32_t fields) noexcept
    {
        return fields == kShortLayoutFields || fields == kFullLayoutFields;
    }

    // Opens path and reads the header. A file that cannot be opened is not
    // an error: the reader stays closed and HeaderFieldCount is 0.
    explicit CRBSTransactionFile(const char* path, std::ios_base::openmode mode = std::ios_base::in);
    ~CRBSTransactionFile();
    CRBSTransactionFile(const CRBSTransactionFile&) = delete;
    CRBSTransactionFile& operator=(const CRBSTransactionFile&) = delete;

    // Opens path (shared access: others may read and write it meanwhile) and
    // reads its header. True also when the file did not open; false only
    // when reading failed unexpectedly.
    bool Open(const char* path, std::ios_base::openmode mode);
    // Reads one line and counts its fields into HeaderFieldCount; false
    // when the stream is not open. An empty file has one (empty) field.
    bool ReadHeader();
    std::int32_t HeaderFieldCount() const noexcept { return m_headerFieldCount; }
    bool IsOpen() const { return m_file.is_open(); }
    // The file starts with a UTF-8 byte-order mark: its texts are UTF-8 and
    // field widths count characters. Otherwise they are ANSI bytes.
    bool IsUtf8() const noexcept { return m_utf8; }

    // Maps columns 1..HeaderFieldCount for ReadRecord; false, with nothing
    // changed, unless the header has 14 or 18 fields.
    bool PrepareColumns();

    // Reads the next line into record. False (after a diagnostic message)
    // when the stream is closed, the line has fewer than 14 fields (a blank
    // line, the end of the file) or it needs a column the header lacks.
    // A further call goes on with the following line.
    bool ReadRecord(CTransactionRecord& record);

    // One line after the header, as ReadNext saw it.
    enum class LineKind {
        Record,  // record holds a readable line
        Blank,   // empty, or only separators and white space
        Skipped, // unreadable; reason says why
        End,     // nothing left to read (or the stream is not open)
    };
    struct Line {
        LineKind kind = LineKind::End;
        SkipReason reason = SkipReason::TooFewFields; // for Skipped
        long number = 0;                              // the header is line 1
    };
    // Reads the next line into record. Unlike ReadRecord it never ends the
    // file early: a line longer than kMaxLineLength is passed over whole,
    // and a line whose date is no calendar day, or whose debit or credit is
    // neither empty nor a number, is Skipped rather than read as 0. Writes
    // no diagnostic messages; only an allocation failure is thrown.
    Line ReadNext(CTransactionRecord& record);

    // Whether records get the columns that describe the account (alias,
    // short name, currency, account type, BIC, bank and branch); they do
    // unless a reader that does not use them turns them off. The account's
    // numbers are always read.
    void ReadAccountDetails(bool read) noexcept { m_accountDetails = read; }

    void Close();

private:
    void ReadLine(char* line);
    // Fills record from line; returns the column of the transaction type.
    int Fill(CTransactionRecord& record, const char* line);
    bool IsAmountColumn(int column);
    const char* Column(int column, std::size_t& length);
    void Text(int column, int keep, CString& target);
    void Cut(const CString& whole, int keep, CString& target);
    std::size_t Kept(const char* text, std::size_t length, int keep) const;
    double Amount(int column);

    std::vector<char> m_buffer; // the stream's read buffer
    std::ifstream m_file;
    std::int32_t m_headerFieldCount = 0;
    bool m_utf8 = false;
    bool m_accountDetails = true;
    long m_lineNumber = 0; // of the last line read
    std::vector<std::int32_t> m_columnMap;
    LineFields m_fields; // the line being read, split once; fields are read in place
};

} // namespace qf
