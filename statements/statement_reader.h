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
// map and field buffer, so readers are independent of one another.
#pragma once
#include <cstdint>
#include <fstream>
#include <vector>

#include "statements/statement_fields.h"
#include "statements/transaction_record.h"

namespace qf {

class CRBSTransactionFile {
public:
    // Longest line read; the rest of a longer line is not read, and the
    // stream's failure then ends the file.
    static constexpr int kMaxLineLength = 2047;

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

    // Maps columns 1..HeaderFieldCount for ReadRecord; false, with nothing
    // changed, unless the header has 14 or 18 fields.
    bool PrepareColumns();

    // Reads the next line into record. False (after a diagnostic message)
    // when the stream is closed, the line has fewer than 14 fields (a blank
    // line, the end of the file) or it needs a column the header lacks.
    // A further call goes on with the following line.
    bool ReadRecord(CTransactionRecord& record);

    void Close();

private:
    void ReadLine(char* line);
    void Fill(CTransactionRecord& record, const char* line);
    const char* Column(int column, std::size_t& length);
    void Text(int column, int keep, CString& target);
    double Amount(int column);

    std::ifstream m_file;
    std::int32_t m_headerFieldCount = 0;
    std::vector<std::int32_t> m_columnMap;
    LineFields m_fields;        // the line being read, split once
    FieldBuffer m_field = {};
};

} // namespace qf
